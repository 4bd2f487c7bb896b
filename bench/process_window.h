#pragma once
// The benchmarks' way to find the window of a program they started.
#include <windows.h>

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

}  // namespace barsmith::bench
