#include "platform/window.h"

#include <exception>

#include "platform/message_box.h"

namespace barsmith {
namespace {

std::wstring FromUtf8(const char* text) {
    const int length = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    if (length <= 1) return {};
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text, -1, wide.data(), length);
    wide.resize(static_cast<size_t>(length - 1));
    return wide;
}

std::wstring WhatOf(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return FromUtf8(e.what());
    } catch (...) {
        return L"an error of unknown kind";
    }
}

}  // namespace

std::wstring UnexpectedErrorText(const std::wstring& what) {
    return L"Barsmith hit an unexpected error and could not finish what it was doing:\n\n" + what;
}

void Window::ReportUnexpected(const std::wstring& text) {
    MessageBoxW(hwnd_, text.c_str(), kAppTitle, MB_OK | MB_ICONERROR);
}

Window::~Window() {
    if (hwnd_) {
        // Too late for our overrides: cut the link first, then let the window go.
        const HWND hwnd = hwnd_;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        hwnd_ = nullptr;
        DestroyWindow(hwnd);
    }
}

HWND Window::CreateBound(const ClassInfo& cls, DWORD exStyle, DWORD style, const std::wstring& title, int x,
                         int y, int width, int height, HWND parent, UINT_PTR id) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (!GetClassInfoExW(instance, cls.name, &wc)) {
        wc = WNDCLASSEXW{};
        wc.cbSize = sizeof wc;
        wc.style = cls.style;
        wc.lpfnWndProc = &Window::WndProc;
        wc.hInstance = instance;
        wc.hIcon = cls.icon;
        wc.hIconSm = cls.smallIcon;
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = cls.background;
        wc.lpszClassName = cls.name;
        if (!RegisterClassExW(&wc)) return nullptr;
    }
    return CreateWindowExW(exStyle, cls.name, title.c_str(), style, x, y, width, height, parent,
                           reinterpret_cast<HMENU>(id), instance, this);
}

LRESULT Window::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(hwnd_, msg, wParam, lParam);
}

void Window::DestroyNow() {
    if (hwnd_) DestroyWindow(hwnd_);
}

LRESULT CALLBACK Window::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Window* self = nullptr;
    if (msg == WM_NCCREATE) {
        self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (!self) return DefWindowProcW(hwnd, msg, wParam, lParam);

    LRESULT result = 0;
    // No C++ exception may unwind through user32's frames: it is reported here
    // and the message gets the default handling.
    std::exception_ptr error;
    try {
        result = self->HandleMessage(msg, wParam, lParam);
    } catch (...) {
        error = std::current_exception();
        result = DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    if (error) {
        const std::wstring text = UnexpectedErrorText(WhatOf(error));
        OutputDebugStringW((text + L"\n").c_str());
        // One report at a time: the box's own messages may fail again.
        if (!self->reporting_) {
            self->reporting_ = true;
            self->ReportUnexpected(text);
            self->reporting_ = false;
        }
    }
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        self->OnDestroyed();
    }
    return result;
}

std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

}  // namespace barsmith
