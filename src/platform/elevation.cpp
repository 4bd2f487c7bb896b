#include "platform/elevation.h"

#include <shellapi.h>

#include "platform/handles.h"
#include "platform/shell.h"

namespace barsmith {

bool SystemElevation::IsElevated() {
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) return true;
    const UniqueKernelHandle token(raw);
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    // A system that does not know the question has no unelevated administrators.
    if (!GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &size)) return true;
    return elevation.TokenIsElevated != 0;
}

ElevatedStart SystemElevation::StartElevated(HWND owner, const std::wstring& parameters) {
    const auto execute = shell32_.Find<decltype(ShellExecuteExW)>("ShellExecuteExW");
    if (!execute) return ElevatedStart::Failed;
    const std::wstring file = ModuleFileName(nullptr);
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    info.hwnd = owner;
    info.lpVerb = L"runas";
    info.lpFile = file.c_str();
    info.lpParameters = parameters.c_str();
    info.nShow = SW_SHOWNORMAL;
    if (execute(&info)) return ElevatedStart::Started;
    return GetLastError() == ERROR_CANCELLED ? ElevatedStart::Declined : ElevatedStart::Failed;
}

std::wstring QuotedArgument(const std::wstring& argument) {
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes before a quote are doubled, and the quote escaped.
        quoted.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    // Before the closing quote too.
    quoted.append(2 * backslashes, L'\\');
    return quoted + L"\"";
}

}  // namespace barsmith
