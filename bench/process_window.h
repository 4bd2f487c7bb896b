#pragma once
// The benchmarks' way to start a program and find its window.
#include <windows.h>

#include <optional>
#include <string>

#include "platform/handles.h"

namespace barsmith::bench {

// The first top-level window of the process that is shown, or none yet.
inline HWND VisibleWindowOf(DWORD processId) {
    struct Search {
        DWORD processId;
        HWND window;
    } search{processId, nullptr};
    EnumWindows(
        [](HWND window, LPARAM state) -> BOOL {
            auto* found = reinterpret_cast<Search*>(state);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner != found->processId || !IsWindowVisible(window)) return TRUE;
            found->window = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.window;
}

struct StartedProcess {
    UniqueKernelHandle process;
    UniqueKernelHandle thread;
    DWORD id;
};

// Starts the program as the shell would, with its window shown normally.
inline std::optional<StartedProcess> StartShown(const std::wstring& program, const std::wstring& arguments) {
    std::wstring commandLine = L"\"" + program + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info))
        return std::nullopt;
    return StartedProcess{UniqueKernelHandle(info.hProcess), UniqueKernelHandle(info.hThread), info.dwProcessId};
}

}  // namespace barsmith::bench
