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

// Records what the painter does, and when it keeps its image among `events`;
// 15 twips to the pixel.
class RecordingSurface final : public DrawingSurface {
public:
    RecordingSurface(double widthPixels, double heightPixels, std::vector<std::string>* events = nullptr)
        : width_(widthPixels), height_(heightPixels), events_(events) {}

    void SetAutoRedraw(bool on) override {
        autoRedraw = on;
        if (events_) events_->push_back("AutoRedraw");
    }
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
    std::vector<std::string>* events_;
};

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
        RecordingSurface s(10, 2);
        DrawGradient(s, c.left, c.right, 100, 1);
        const std::vector<DrawnLine> expected{{0, 0, 10, 0, c.left}, {0, 1, 10, 1, c.middle}, {0, 2, 10, 2, c.right}};
        EXPECT_EQ(s.lines, expected) << std::hex << c.right;
        EXPECT_TRUE(s.autoRedraw && s.scaleMode == ScaleMode::Twips) << "ends in twips, with its image kept";
    }
}

TEST(GradientTest, StyleOneDrawsARowForEachPixelOfTheHeightAndOne) {
    RecordingSurface s(493, 41);
    DrawGradient(s, 0xFFFFFF, 0xFF0000, 100, 1);
    ASSERT_EQ(s.lines.size(), 42u);
    EXPECT_EQ(s.lines.back().y1, 41);
    EXPECT_EQ(s.lines.front().colour, 0xFFFFFFu);
    EXPECT_EQ(s.lines.back().colour, 0xFF0000u);
    // Every component stays between its end values and never rises on the way to blue.
    for (size_t i = 1; i < s.lines.size(); ++i) EXPECT_LE(s.lines[i].colour & 0xFF, s.lines[i - 1].colour & 0xFF);
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

TEST(GradientTest, PendingMessagesRunBeforeDrawingAndCannotChangeTheColoursOfThePaintingThatYielded) {
    std::vector<std::string> events;
    NestedPainter painter;
    ASSERT_TRUE(painter.Create());
    painter.events = &events;
    PostMessageW(painter.Hwnd(), WM_APP, 0, 0);

    RecordingSurface outer(3, 3, &events);
    DrawGradient(outer, 0x0000FF, 0x0000FF, 100, 0);
    EXPECT_EQ(events, (std::vector<std::string>{"inner painting", "AutoRedraw"}));
    EXPECT_EQ(outer.lines.size(), 4u);
    for (const DrawnLine& line : outer.lines) EXPECT_EQ(line.colour, 0x0000FFu);
    for (const DrawnLine& line : painter.inner.lines) EXPECT_EQ(line.colour, 0x00FF00u);
    EXPECT_EQ(painter.inner.lines.size(), 4u);
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
