// The yardstick of the start benchmark: a window with nothing in it, of the
// outer size given on the command line, shown and waiting for messages.
#include <windows.h>

#include <cwchar>

namespace {

LRESULT CALLBACK BareProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, msg, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int showCommand) {
    int width = 0;
    int height = 0;
    if (std::swscanf(commandLine, L"%d %d", &width, &height) != 2) return 2;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = BareProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"BarsmithBenchBare";
    if (!RegisterClassExW(&wc)) return 1;
    const HWND window = CreateWindowExW(0, wc.lpszClassName, L"Bare", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU,
                                        CW_USEDEFAULT, CW_USEDEFAULT, width, height, nullptr, nullptr, instance,
                                        nullptr);
    if (!window) return 1;
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
