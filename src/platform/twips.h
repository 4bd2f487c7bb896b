#pragma once
// Layout positions are kept in twips (1/1440 inch) and turned into pixels with
// the screen's DPI in one place.
#include <windows.h>

namespace barsmith {

struct Dpi {
    int x = 96;
    int y = 96;
    friend bool operator==(const Dpi&, const Dpi&) = default;
};

// The screen's logical DPI, read once per call from the desktop DC.
Dpi ScreenDpi();
// The DPI of the screen the window is on, where the system tells it per window
// (Windows 10 1607 and later); the screen's DPI otherwise.
Dpi WindowDpi(HWND window);

// The system's message font made for `dpi`; false when the system cannot tell.
bool MessageFontFor(const Dpi& dpi, LOGFONTW& font);

// Rounds to the nearest pixel, as MulDiv does; 15 twips per pixel at 96 DPI.
constexpr int TwipsToPixels(int twips, int dpi) {
    const long long scaled = static_cast<long long>(twips) * dpi;
    return static_cast<int>(scaled >= 0 ? (scaled + 720) / 1440 : -((-scaled + 720) / 1440));
}

// Scales a size in pixels at 96 DPI, the size icons are named by, to `dpi`.
constexpr int ScaleFrom96(int pixels, int dpi) { return TwipsToPixels(pixels * 15, dpi); }

constexpr double TwipsPerPixel(int dpi) { return 1440.0 / dpi; }

struct TwipsRect {
    int left;
    int top;
    int width;
    int height;
};

constexpr RECT ToPixels(const TwipsRect& r, const Dpi& dpi) {
    const int left = TwipsToPixels(r.left, dpi.x);
    const int top = TwipsToPixels(r.top, dpi.y);
    return RECT{left, top, left + TwipsToPixels(r.width, dpi.x), top + TwipsToPixels(r.height, dpi.y)};
}

}  // namespace barsmith
