#include "infoheader/InfoHeader.h"

#include <gtest/gtest.h>

#include <functional>
#include <type_traits>

#include "platform/handles.h"
#include "support/fakes.h"

namespace barsmith {
namespace {

static_assert(!std::is_copy_constructible_v<StdFont>);
static_assert(!std::is_copy_constructible_v<StdPicture>);
static_assert(!std::is_copy_constructible_v<PictureBox>);
static_assert(!std::is_copy_constructible_v<InfoHeader>);

constexpr Dpi k96{96, 96};  // 15 twips to the pixel
constexpr COLORREF kMarker = RGB(255, 0, 255);

class InfoHeaderTest : public ::testing::Test {
protected:
    testing::ScriptedMessageBox messages;
    std::vector<std::wstring> changed;
    InfoHeader header{messages, [this](const std::wstring& p) { changed.push_back(p); }, k96};

    // One pixel of the strip that only a new painting of the blend overwrites.
    void Mark() {
        PictureBox& strip = header.Strip();
        strip.SetScaleMode(ScaleMode::Pixels);
        strip.Line(5, 0, 6, 0, kMarker);
        strip.SetScaleMode(ScaleMode::Twips);
        ASSERT_EQ(strip.Pixel(5, 0), kMarker);
    }
    bool Repainted() const { return header.Strip().Pixel(5, 0) != kMarker; }
};

TEST_F(InfoHeaderTest, ANewInstanceIsPaintedAndPlacedWithoutNotifying) {
    EXPECT_TRUE(changed.empty());

    // Painted at the design size: button shadow at the left, button face at the right.
    const PictureBox& strip = header.Strip();
    EXPECT_EQ(strip.Pixel(0, 13), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(strip.Pixel(269, 13), GetSysColor(COLOR_BTNFACE));

    // Placed as the layout places them (header_layout_test.cpp), the caption after the icon.
    EXPECT_TRUE(header.Icon().Visible());
    EXPECT_GT(header.Label().Bounds().left, header.Icon().Bounds().left + header.Icon().Bounds().width);
    EXPECT_GT(header.Label().Bounds().width, 0);
}

TEST_F(InfoHeaderTest, ARestoreTakesValuesAsStoredWithoutTheSettersRules) {
    header.ReadProperties(PropertyBag{{L"maxfill", std::int16_t{150}},
                                                  {L"leftcolor", static_cast<std::int32_t>(0x80000010)},
                                                  {L"alignment", std::int32_t{3}},
                                                  {L"hasicon", false},
                                                  {L"multiline", true},
                                                  {L"caption", std::wstring(L"A|B\r\nC")}});
    EXPECT_EQ(header.MaxFill(), 150);
    EXPECT_EQ(header.LeftColor(), 0x80000010u);
    EXPECT_EQ(header.Alignment(), 3);
    EXPECT_FALSE(header.HasIcon());
    EXPECT_EQ(header.Caption(), L"A|B\r\nC");  // no conversion of the stored text
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(changed.empty());
    // Under a hidden icon the caption keeps its left edge and text alignment.
    EXPECT_FALSE(header.Icon().Visible());
    EXPECT_EQ(header.Label().Bounds().left, 405);
    EXPECT_EQ(header.Label().Alignment(), TextAlign::Left);
    EXPECT_EQ(header.Label().Bounds().top, Half(390 - header.Label().Bounds().height));
}

TEST_F(InfoHeaderTest, AValueOfTheWrongKindStopsTheRestoreWhereItIs) {
    Mark();
    const PropertyBag bag{{L"GradientStyle", std::int32_t{1}},
                          {L"MaxFill", std::wstring(L"lots")},
                          {L"Caption", std::wstring(L"never read")}};
    EXPECT_THROW(header.ReadProperties(bag), PropertyTypeError);
    EXPECT_EQ(header.GradientStyle(), 1);
    EXPECT_EQ(header.Caption(), L"Information Header v1.0");
    EXPECT_FALSE(Repainted());
}

// --- The control's window ------------------------------------------------------

TEST_F(InfoHeaderTest, TheWindowSizesTheStripAndPaintsFromItsImageAlone) {
    const UniqueHandle<NullHandleTraits<HWND, DestroyWindow>> parent(
        CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 800, 100, nullptr, nullptr,
                        GetModuleHandleW(nullptr), nullptr));
    ASSERT_TRUE(header.Create(parent.get(), RECT{0, 0, 493, 41}));
    EXPECT_EQ(header.Strip().WidthPixels(), 493);
    EXPECT_EQ(header.Strip().HeightPixels(), 41);
    EXPECT_FALSE(GetWindowLongW(header.Hwnd(), GWL_STYLE) & WS_TABSTOP);

    MoveWindow(header.Hwnd(), 0, 0, 600, 50, FALSE);
    EXPECT_EQ(header.Strip().WidthPixels(), 600);
    EXPECT_EQ(header.Strip().HeightPixels(), 50);

    // Uncovering the window paints it from the strip's image, marker included;
    // the blend is not drawn again.
    Mark();
    RedrawWindow(header.Hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_FALSE(Repainted());
    const WindowDC shown(header.Hwnd());
    EXPECT_EQ(GetPixel(shown.get(), 5, 0), kMarker);
    EXPECT_EQ(GetPixel(shown.get(), 6, 0), header.Strip().Pixel(6, 0));
}

}  // namespace
}  // namespace barsmith
