#include "infoheader/gradient_painter.h"

#include <windows.h>
#include <olectl.h>

#include <cmath>

namespace barsmith {
namespace {

// One pass over the messages waiting in this thread's queue. A WM_QUIT found
// here is put back for the program's own message loop.
void DispatchPendingMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// One component of line i of n (n > 0), from `from` at line 0 to `to` at line n.
long Blend(std::int16_t from, std::int16_t to, long long n, long long i) {
    return static_cast<long>(RoundHalfEven(static_cast<double>(to - from) / static_cast<double>(n) *
                                               static_cast<double>(i) +
                                           from));
}

}  // namespace

double RoundHalfEven(double x) {
    const double below = std::floor(x);
    const double fraction = x - below;
    if (fraction < 0.5) return below;
    if (fraction > 0.5) return below + 1.0;
    return std::fmod(below, 2.0) == 0.0 ? below : below + 1.0;
}

Rgb GetRGB(OleColor colour) {
    return Rgb{static_cast<std::int16_t>(colour & 0xFFu), static_cast<std::int16_t>((colour & 0xFF00u) / 256u),
               static_cast<std::int16_t>((colour & 0xFF0000u) / 65536u)};
}

ColourComponents SplitColors(OleColor first, OleColor second) {
    const Rgb a = GetRGB(first);
    const Rgb b = GetRGB(second);
    return ColourComponents{a.red, a.green, a.blue, b.red, b.green, b.blue};
}

void DrawGradient(DrawingSurface& surface, OleColor first, OleColor second, std::int16_t fill, std::int32_t style) {
    // The components are this painting's own: a painting run during the yield
    // below has its own and cannot change these.
    const ColourComponents c = SplitColors(first, second);
    DispatchPendingMessages();
    if (fill > 100) fill = 100;
    surface.SetAutoRedraw(true);
    surface.SetScaleMode(ScaleMode::Pixels);

    // Kept in 64 bits and looped over whole: a surface of more than 32,767
    // pixels is painted to its end.
    long long n = 0;
    if (style == 0) n = static_cast<long long>(RoundHalfEven(surface.ScaleWidth() / 100.0 * fill));
    if (style == 1) n = static_cast<long long>(RoundHalfEven(surface.ScaleHeight() / 100.0 * fill));

    // A blend of no steps has no colour step, (red2 - red1) / 0: it draws nothing, so
    // a fill of 0 or below never paints, however small the surface.
    for (long long i = 0; n > 0 && i <= n; ++i) {
        const long red = Blend(c.red1, c.red2, n, i);
        const long green = Blend(c.green1, c.green2, n, i);
        const long blue = Blend(c.blue1, c.blue2, n, i);
        const auto colour = static_cast<OleColor>(red + 256 * green + 65536 * blue);
        const auto at = static_cast<double>(i);
        if (style == 0) surface.Line(at, 0, at, surface.ScaleHeight(), colour);
        if (style == 1) surface.Line(0, at, surface.ScaleWidth(), at, colour);
    }
    surface.SetScaleMode(ScaleMode::Twips);
}

OleColor TranslateColor(OleColor colour) {
    COLORREF result = 0;
    // A refused value must come back as black, whatever the call left behind.
    if (FAILED(OleTranslateColor(colour, nullptr, &result))) return 0;
    return result;
}

}  // namespace barsmith
