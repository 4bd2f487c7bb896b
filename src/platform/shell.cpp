#include "platform/shell.h"

#include <shellapi.h>

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

std::wstring ExecutableFolder() {
    const std::wstring path = ModuleFileName(nullptr);
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

}  // namespace barsmith
