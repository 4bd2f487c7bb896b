#pragma once
// Whether a window's captions are whole, measured in each control's own font;
// and the system's message font set for a test, as the user's display
// settings would set it.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/handles.h"

namespace barsmith::testing {

// Sets the message font's face (unless null) and height for the life of the object.
class MessageFontSetting {
public:
    MessageFontSetting(const wchar_t* face, LONG height) {
        saved_.cbSize = sizeof saved_;
        SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof saved_, &saved_, 0);
        NONCLIENTMETRICSW changed = saved_;
        if (face) lstrcpynW(changed.lfMessageFont.lfFaceName, face, LF_FACESIZE);
        changed.lfMessageFont.lfHeight = height;
        SystemParametersInfoW(SPI_SETNONCLIENTMETRICS, sizeof changed, &changed, 0);
    }
    MessageFontSetting(const MessageFontSetting&) = delete;
    MessageFontSetting& operator=(const MessageFontSetting&) = delete;
    ~MessageFontSetting() { SystemParametersInfoW(SPI_SETNONCLIENTMETRICS, sizeof saved_, &saved_, 0); }

private:
    NONCLIENTMETRICSW saved_{};
};

// The installed face whose letters run widest at one height.
inline std::wstring WidestFace() {
    struct Search {
        std::wstring face;
        LONG width = 0;
    } search;
    LOGFONTW all{};
    all.lfCharSet = ANSI_CHARSET;
    const auto measure = [](const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM state) -> int {
        LOGFONTW trial = *font;
        trial.lfHeight = -16;
        trial.lfWidth = 0;
        const UniqueMemoryDC dc(CreateCompatibleDC(nullptr));
        const UniqueFont made(CreateFontIndirectW(&trial));
        const SelectObjectGuard select(dc.get(), made.get());
        SIZE size{};
        GetTextExtentPoint32W(dc.get(), L"Status Bar Text", 15, &size);
        auto& s = *reinterpret_cast<Search*>(state);
        if (size.cx > s.width && font->lfFaceName[0] != L'@') s = {font->lfFaceName, size.cx};  // '@': set vertically
        return 1;
    };
    const UniqueMemoryDC dc(CreateCompatibleDC(nullptr));
    EnumFontFamiliesExW(dc.get(), &all, measure, reinterpret_cast<LPARAM>(&search), 0);
    return search.face;
}

// Every label and push button in view shows its whole caption: on its lines
// for a wrapping label, on one line otherwise; a button's inside its border.
inline void ExpectCaptionsWhole(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    const auto check = [](HWND control, LPARAM clientArea) -> BOOL {
        RECT at{};
        GetWindowRect(control, &at);
        if (at.top >= reinterpret_cast<const RECT*>(clientArea)->bottom) return TRUE;  // out of view by design
        wchar_t cls[16]{};
        GetClassNameW(control, cls, 16);
        const LONG style = GetWindowLongW(control, GWL_STYLE);
        const LONG type = style & SS_TYPEMASK;
        const bool button = lstrcmpiW(cls, L"Button") == 0 && (style & BS_TYPEMASK) <= BS_DEFPUSHBUTTON;
        const bool label = lstrcmpiW(cls, L"Static") == 0 &&
                           (type <= SS_RIGHT || type == SS_SIMPLE || type == SS_LEFTNOWORDWRAP);
        wchar_t text[512]{};
        if ((!button && !label) || GetWindowTextW(control, text, 512) == 0) return TRUE;
        RECT inside{};
        GetClientRect(control, &inside);
        if (button) inside.right -= 2 * GetSystemMetrics(SM_CXBORDER);
        const bool wraps = label && type <= SS_RIGHT;
        const WindowDC dc(control);
        const SelectObjectGuard font(dc.get(), reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
        RECT needs{0, 0, wraps ? inside.right : 0, 0};
        const UINT prefix = label && (style & SS_NOPREFIX) ? DT_NOPREFIX : 0;
        DrawTextW(dc.get(), text, -1, &needs, DT_CALCRECT | DT_EXPANDTABS | (wraps ? DT_WORDBREAK : 0) | prefix);
        EXPECT_LE(needs.right, inside.right) << text;
        EXPECT_LE(needs.bottom, inside.bottom) << text;
        return TRUE;
    };
    EnumChildWindows(window, check, reinterpret_cast<LPARAM>(&client));
}

}  // namespace barsmith::testing
