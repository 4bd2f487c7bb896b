#pragma once
// The window objects of the program. One window procedure serves every window
// class we register: the object pointer arrives with WM_NCCREATE and is cut off
// again at WM_NCDESTROY, so no message reaches a half-destroyed object.
#include <windows.h>

#include <string>

namespace barsmith {

class Window {
public:
    Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    virtual ~Window();

    HWND Hwnd() const noexcept { return hwnd_; }

protected:
    struct ClassInfo {
        const wchar_t* name;
        UINT style = 0;
        HICON icon = nullptr;
        HICON smallIcon = nullptr;
        HBRUSH background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    };

    // Registers the class on first use and creates the window bound to this object.
    HWND CreateBound(const ClassInfo& cls, DWORD exStyle, DWORD style, const std::wstring& title, int x,
                     int y, int width, int height, HWND parent, UINT_PTR id = 0);

    // Every message of the window; the default hands it to DefWindowProc.
    virtual LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    // Called once the window is gone and the link to this object is cut.
    virtual void OnDestroyed() {}
    // An exception reached the window procedure: the message it came with is
    // abandoned. The default tells the debugger and the user (with the
    // system's message box); a window with a message seam tells through it.
    virtual void ReportUnexpected(const std::wstring& text);
    // Destroys the window while this object's own overrides still run.
    void DestroyNow();

private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;
    bool reporting_ = false;
};

// What the user is told of an exception that reached a window procedure.
std::wstring UnexpectedErrorText(const std::wstring& what);

// The window's text (a control's caption or contents) as it is now.
std::wstring WindowText(HWND window);

}  // namespace barsmith
