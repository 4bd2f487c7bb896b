#include "platform/shell.h"

#include <shellapi.h>

#include <algorithm>

#include "platform/handles.h"

namespace barsmith {

HINSTANCE SystemShell::Execute(HWND owner, const std::wstring& verb, const std::wstring& file,
                               const std::wstring& parameters, int showCommand) {
    // The shell may hand the request to extensions that are COM objects.
    if (!com_) com_.emplace();
    const auto execute = shell32_.Find<decltype(ShellExecuteW)>("ShellExecuteW");
    // As ShellExecuteW reports a shell that cannot be reached: a value of 32 or less.
    if (!execute) return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(SE_ERR_DLLNOTFOUND));
    return execute(owner, verb.c_str(), file.c_str(), parameters.c_str(), nullptr, showCommand);
}

bool SystemShell::StartProgram(const std::wstring& path, int showCommand) {
    std::wstring commandLine = L"\"" + path + L"\"";  // CreateProcessW may write into it
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(showCommand);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return false;
    const UniqueKernelHandle processHandle(process.hProcess);
    const UniqueKernelHandle threadHandle(process.hThread);
    return true;
}

IconPick SystemShell::PickIcon(HWND owner, std::wstring& path, int& index) {
    if (!com_) com_.emplace();
    // Exported by its number only on some systems, by name on others.
    using PickIconDlgFn = int WINAPI(HWND, wchar_t*, UINT, int*);
    const auto pick = shell32_.Find<PickIconDlgFn>(MAKEINTRESOURCEA(62));
    if (!pick) return IconPick::Unavailable;
    constexpr size_t kRoom = 32768;  // the longest path the system takes, and its NUL
    std::wstring buffer(kRoom, L'\0');
    path.copy(buffer.data(), std::min(path.size(), kRoom - 1));
    int chosen = index;
    // 1 when the user chose an icon, 0 when he cancelled; a system without a
    // picker of its own answers anything else (Wine's stub answers -1).
    const int answer = pick(owner, buffer.data(), static_cast<UINT>(kRoom), &chosen);
    if (answer == 0) return IconPick::Cancelled;
    if (answer != 1) return IconPick::Unavailable;
    buffer[kRoom - 1] = L'\0';
    path = buffer.c_str();
    index = chosen;
    return IconPick::Picked;
}

std::wstring ModuleFileName(HMODULE module) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);  // a long path: try again with more room
    }
}

std::wstring SystemFolder() {
    const UINT needed = GetSystemDirectoryW(nullptr, 0);
    std::wstring folder(needed, L'\0');
    const UINT length = needed ? GetSystemDirectoryW(folder.data(), needed) : 0;
    folder.resize(length < needed ? length : 0);
    return folder;
}

std::wstring ExecutableFolder() {
    const std::wstring path = ModuleFileName(nullptr);
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

}  // namespace barsmith
