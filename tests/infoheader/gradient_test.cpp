#include "infoheader/gradient_painter.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <string>
#include <vector>

#include "platform/window.h"

namespace barsmith {
namespace {

struct DrawnLine {
    double x1, y1, x2, y2;
    OleColor colour;
    bool operator==(const DrawnLine&) const = default;
};

// Records what the painter does; 15 twips to the pixel.
class RecordingSurface final : public DrawingSurface {
public:
    RecordingSurface(double widthPixels, double heightPixels) : width_(widthPixels), height_(heightPixels) {}

    void SetAutoRedraw(bool on) override { autoRedraw = on; }
    void SetScaleMode(ScaleMode mode) override { scaleMode = mode; }
    double ScaleWidth() const override { return scaleMode == ScaleMode::Pixels ? width_ : width_ * 15; }
    double ScaleHeight() const override { return scaleMode == ScaleMode::Pixels ? height_ : height_ * 15; }
    void Line(double x1, double y1, double x2, double y2, OleColor colour) override {
        EXPECT_EQ(scaleMode, ScaleMode::Pixels);
        lines.push_back({x1, y1, x2, y2, colour});
    }

    bool autoRedraw = false;
    ScaleMode scaleMode = ScaleMode::Twips;
    std::vector<DrawnLine> lines;

private:
    double width_;
    double height_;
};

void ExpectEndsInTwipsWithImage(const RecordingSurface& s) {
    EXPECT_TRUE(s.autoRedraw);
    EXPECT_EQ(s.scaleMode, ScaleMode::Twips);
}

std::vector<OleColor> Colours(const RecordingSurface& s) {
    std::vector<OleColor> colours;
    for (const DrawnLine& l : s.lines) colours.push_back(l.colour);
    return colours;
}

TEST(GradientTest, HalfwayComponentsGoToTheEvenNeighbourEachOnItsOwn) {
    const struct {
        OleColor left, right, middle;
    } cases[] = {
        {0x000000, 0x0000FF, 0x000080},  // red 127.5 -> 128
        {0x000000, 0x000001, 0x000000},  // 0.5 -> 0
        {0x000000, 0x030303, 0x020202},  // 1.5 -> 2 in red, green and blue
        {0x050000, 0x000000, 0x020000},  // blue 2.5 -> 2
    };
    for (const auto& c : cases) {
        RecordingSurface s(2, 10);
        DrawGradient(s, c.left, c.right, 100, 0);
        const std::vector<DrawnLine> expected{{0, 0, 0, 10, c.left}, {1, 0, 1, 10, c.middle}, {2, 0, 2, 10, c.right}};
        EXPECT_EQ(s.lines, expected) << std::hex << c.right;
        ExpectEndsInTwipsWithImage(s);
    }
}

TEST(GradientTest, HalfFillStopsTheBlendHalfwayInTheSecondColour) {
    RecordingSurface s(200, 5);
    DrawGradient(s, 0x0000FF, 0xFF0000, 50, 0);
    ASSERT_EQ(s.lines.size(), 101u);
    EXPECT_EQ(s.lines.front(), (DrawnLine{0, 0, 0, 5, 0x0000FF}));
    EXPECT_EQ(s.lines.back(), (DrawnLine{100, 0, 100, 5, 0xFF0000}));
}

TEST(GradientTest, StyleOneDrawsFullWidthRowsFromTheTop) {
    RecordingSurface s(493, 41);
    DrawGradient(s, 0xFFFFFF, 0xFF0000, 100, 1);
    ASSERT_EQ(s.lines.size(), 42u);
    for (size_t i = 0; i < s.lines.size(); ++i) {
        EXPECT_EQ(s.lines[i].y1, static_cast<double>(i));
        EXPECT_EQ(s.lines[i].y2, static_cast<double>(i));
        EXPECT_EQ(s.lines[i].x1, 0);
        EXPECT_EQ(s.lines[i].x2, 493);
    }
    EXPECT_EQ(s.lines.front().colour, 0xFFFFFFu);
    EXPECT_EQ(s.lines.back().colour, 0xFF0000u);
    // Every component stays between its end values and never rises on the way to blue.
    for (size_t i = 1; i < s.lines.size(); ++i) EXPECT_LE(s.lines[i].colour & 0xFF, s.lines[i - 1].colour & 0xFF);
}

TEST(GradientTest, FillAboveHundredPaintsAsHundred) {
    RecordingSurface full(30, 4), over(30, 4);
    DrawGradient(full, 0x102030, 0x302010, 100, 0);
    DrawGradient(over, 0x102030, 0x302010, 150, 0);
    EXPECT_EQ(over.lines, full.lines);
}

TEST(GradientTest, AnUntranslatedSystemColourIsReadAsDarkRed) {
    RecordingSurface s(4, 4);
    DrawGradient(s, 0x8000000F, 0x8000000F, 100, 0);
    for (const OleColor c : Colours(s)) EXPECT_EQ(c, 0x00000Fu);
}

TEST(GradientTest, ABlendOfNoStepsANegativeFillOrAnotherStyleDrawsNothingAndLeavesTheSurfaceInTwips) {
    const struct {
        double width, height;
        std::int16_t fill;
        std::int32_t style;
    } cases[] = {
        {50, 4, 0, 0},    // no fill
        {4, 1, 49, 1},    // 1 / 100 * 49 = 0.49
        {4, 4, -5, 0},    // 4 / 100 * -5 rounds to 0 as well
        {30, 4, -50, 1},  // a negative fill
        {50, 4, 100, 2},  // a style that is neither across nor down
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.width << "x" << c.height << ", fill " << c.fill << ", style " << c.style);
        RecordingSurface s(c.width, c.height);
        DrawGradient(s, 0x112233, 0x445566, c.fill, c.style);
        EXPECT_TRUE(s.lines.empty());
        ExpectEndsInTwipsWithImage(s);
    }
    RecordingSurface oneStep(4, 2);  // 2 / 100 * 50 = 1: two lines, both ends
    DrawGradient(oneStep, 0x112233, 0x445566, 50, 1);
    EXPECT_EQ(Colours(oneStep), (std::vector<OleColor>{0x112233, 0x445566}));
}

TEST(GradientTest, ASurfaceWiderThan32767PixelsIsPaintedWhole) {
    RecordingSurface s(40000, 2);
    DrawGradient(s, 0x000000, 0x0000FF, 100, 0);
    ASSERT_EQ(s.lines.size(), 40001u);
    EXPECT_EQ(s.lines.back(), (DrawnLine{40000, 0, 40000, 2, 0x0000FF}));
    ExpectEndsInTwipsWithImage(s);
}

TEST(GradientTest, RoundingIgnoresTheThreadsRoundingMode) {
    const int previous = std::fegetround();
    std::fesetround(FE_UPWARD);
    const std::vector<double> values{RoundHalfEven(0.5), RoundHalfEven(1.5),    RoundHalfEven(2.5),
                                     RoundHalfEven(-1.5), RoundHalfEven(2.4999), RoundHalfEven(-0.6)};
    std::fesetround(previous);
    EXPECT_EQ(values, (std::vector<double>{0, 2, 2, -2, 2, -1}));
}

// A window that paints another gradient when it receives WM_APP.
class NestedPainter final : public Window {
public:
    bool Create() { return CreateBound(ClassInfo{L"BarsmithTestNestedPainter"}, 0, 0, L"", 0, 0, 0, 0, HWND_MESSAGE); }
    RecordingSurface inner{3, 3};
    std::vector<std::string>* events = nullptr;

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg != WM_APP) return Window::HandleMessage(msg, wParam, lParam);
        events->push_back("inner painting");
        DrawGradient(inner, 0x00FF00, 0x00FF00, 100, 0);
        return 0;
    }
};

class EventSurface final : public DrawingSurface {
public:
    explicit EventSurface(std::vector<std::string>& events) : events_(events) {}
    void SetAutoRedraw(bool) override { events_.push_back("outer AutoRedraw"); }
    void SetScaleMode(ScaleMode) override {}
    double ScaleWidth() const override { return 3; }
    double ScaleHeight() const override { return 3; }
    void Line(double, double, double, double, OleColor colour) override { colours.push_back(colour); }
    std::vector<OleColor> colours;

private:
    std::vector<std::string>& events_;
};

TEST(GradientTest, PendingMessagesRunBeforeDrawingAndCannotChangeTheColoursOfThePaintingThatYielded) {
    std::vector<std::string> events;
    NestedPainter painter;
    ASSERT_TRUE(painter.Create());
    painter.events = &events;
    PostMessageW(painter.Hwnd(), WM_APP, 0, 0);

    EventSurface outer(events);
    DrawGradient(outer, 0x0000FF, 0x0000FF, 100, 0);
    EXPECT_EQ(events, (std::vector<std::string>{"inner painting", "outer AutoRedraw"}));
    EXPECT_EQ(outer.colours, (std::vector<OleColor>{0x0000FF, 0x0000FF, 0x0000FF, 0x0000FF}));
    EXPECT_EQ(Colours(painter.inner), (std::vector<OleColor>{0x00FF00, 0x00FF00, 0x00FF00, 0x00FF00}));
}

TEST(GradientTest, TheYieldLeavesAQuitRequestForTheMessageLoop) {
    PostQuitMessage(7);
    RecordingSurface s(2, 2);
    DrawGradient(s, 0, 0xFFFFFF, 100, 0);
    MSG msg{};
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 7u);
}

TEST(GradientTest, TranslateColorKeepsRgbAndResolvesSystemColoursNow) {
    EXPECT_EQ(TranslateColor(0x000000FF), 0x000000FFu);
    EXPECT_EQ(TranslateColor(0x8000000F), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(TranslateColor(0x80000010), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(TranslateColor(0x12345678), 0u);  // not a colour value: black
}

}  // namespace
}  // namespace barsmith
