#pragma once
// The gradient painter: a linear blend between two colours, one line of one
// pixel per step, on any drawing surface; and the translation of colour values
// that may name a system colour into plain RGB values.
#include <cstdint>

namespace barsmith {

// 0x00BBGGRR for a plain colour, 0x800000nn for system colour nn.
using OleColor = std::uint32_t;

enum class ScaleMode : int { Twips = 1, Pixels = 3 };

// What the painter draws on, used only through these operations.
class DrawingSurface {
public:
    virtual ~DrawingSurface() = default;
    // True: keep everything drawn in a persistent image and repaint from it.
    virtual void SetAutoRedraw(bool on) = 0;
    // The unit of coordinates and of ScaleWidth/ScaleHeight.
    virtual void SetScaleMode(ScaleMode mode) = 0;
    // The drawable size in the current unit; whole numbers in pixels.
    virtual double ScaleWidth() const = 0;
    virtual double ScaleHeight() const = 0;
    // A straight line one pixel wide; origin top left, y growing downwards.
    virtual void Line(double x1, double y1, double x2, double y2, OleColor colour) = 0;
};

struct Rgb {
    std::int16_t red;
    std::int16_t green;
    std::int16_t blue;
    bool operator==(const Rgb&) const = default;
};

// The six colour components of one painting: first colour, then second.
struct ColourComponents {
    std::int16_t red1, green1, blue1;
    std::int16_t red2, green2, blue2;
    bool operator==(const ColourComponents&) const = default;
};

// Rounds to the nearest whole number, a value exactly halfway to the even
// neighbour, whatever the floating-point rounding mode of the thread is.
double RoundHalfEven(double x);

// Splits an RGB value; the top byte is dropped, so an untranslated system
// colour reads as a dark red.
Rgb GetRGB(OleColor colour);
ColourComponents SplitColors(OleColor first, OleColor second);

// Style 0 blends from left to right, style 1 from top to bottom, any other style
// draws nothing. `fill` is the percentage of the width or height the blend spans;
// above 100 counts as 100. The blend has N steps, N = extent / 100 * fill rounded,
// and N + 1 lines; when N is 0 or below nothing is drawn.
// Lets pending window messages be dispatched once before drawing. Afterwards the
// surface always has AutoRedraw on and its unit in twips.
void DrawGradient(DrawingSurface& surface, OleColor first, OleColor second, std::int16_t fill, std::int32_t style);

// The RGB value of a colour value of either form; 0 (black) when the system
// refuses to translate it.
OleColor TranslateColor(OleColor colour);

}  // namespace barsmith
