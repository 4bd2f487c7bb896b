#include "infoheader/InfoHeader.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <type_traits>

#include "platform/handles.h"
#include "resource.h"
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
    std::function<void()> onChange;  // runs inside each notification
    InfoHeader header{messages,
                      [this](const std::wstring& p) {
                          changed.push_back(p);
                          if (onChange) onChange();
                      },
                      k96};

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

// The defaults themselves are those an empty bag restores, below.
TEST_F(InfoHeaderTest, ANewInstanceIsPaintedAndPlacedWithoutNotifying) {
    EXPECT_TRUE(changed.empty());

    // Painted at the design size: button shadow at the left, button face at the right.
    const PictureBox& strip = header.Strip();
    EXPECT_EQ(strip.WidthPixels(), 270);
    EXPECT_EQ(strip.HeightPixels(), 26);
    EXPECT_EQ(strip.Pixel(0, 13), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(strip.Pixel(269, 13), GetSysColor(COLOR_BTNFACE));

    // Placed as the layout places them (header_layout_test.cpp), the caption after the icon.
    EXPECT_TRUE(header.Icon().Visible());
    EXPECT_GT(header.Label().Bounds().left, header.Icon().Bounds().left + header.Icon().Bounds().width);
    EXPECT_GT(header.Label().Bounds().width, 0);
}

TEST_F(InfoHeaderTest, MaxFillIsClampedAboveOnlyAndColoursAreStoredTranslated) {
    header.SetMaxFill(150);
    EXPECT_EQ(header.MaxFill(), 100);
    header.SetMaxFill(-5);
    EXPECT_EQ(header.MaxFill(), -5);

    header.SetLeftColor(0x8000000F);
    header.SetRightColor(0x80000010);
    EXPECT_EQ(header.LeftColor(), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(header.RightColor(), GetSysColor(COLOR_BTNSHADOW));
    header.SetForeColor(0x8000000F);
    EXPECT_EQ(header.ForeColor(), 0x8000000Fu);
    EXPECT_EQ(changed, (std::vector<std::wstring>{L"MaxFill", L"MaxFill", L"LeftColor", L"RightColor", L"ForeColor"}));
}

TEST_F(InfoHeaderTest, AlignmentUnderTheIconIsRefusedWithoutIcon) {
    header.SetAlignment(2);
    header.SetHasIcon(false);
    changed.clear();
    header.SetAlignment(3);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_NE(messages.shown[0].text.find(L"'HasIcon' is false"), std::wstring::npos);
    EXPECT_EQ(header.Alignment(), 2);
    EXPECT_TRUE(changed.empty());
}

TEST_F(InfoHeaderTest, TurningTheIconOffMovesAStackedCaptionLeftFirst) {
    header.SetAlignment(3);
    changed.clear();
    std::vector<std::pair<bool, double>> seen;  // icon shown, caption left, at each notice
    onChange = [&] { seen.emplace_back(header.Icon().Visible(), header.Label().Bounds().left); };

    header.SetHasIcon(false);
    EXPECT_EQ(changed, (std::vector<std::wstring>{L"Alignment", L"HasIcon"}));
    EXPECT_EQ(header.Alignment(), 0);
    // The "Alignment" notice comes before its own placement; by the "HasIcon"
    // notice the caption stands after an icon that was still shown.
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_TRUE(seen[1].first);
    EXPECT_EQ(seen[1].second, 60 + 240 + 105);
    EXPECT_FALSE(header.Icon().Visible());
    EXPECT_EQ(header.Label().Bounds().left, 60);
}

TEST_F(InfoHeaderTest, TurningTheIconOffKeepsOtherAlignments) {
    for (const std::int32_t alignment : {0, 1, 2}) {
        header.SetHasIcon(true);
        header.SetAlignment(alignment);
        changed.clear();
        header.SetHasIcon(false);
        EXPECT_EQ(header.Alignment(), alignment);
        EXPECT_EQ(changed, (std::vector<std::wstring>{L"HasIcon"}));
    }
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(InfoHeaderTest, MultiLineTurnsBarsIntoLineBreaksAndBack) {
    header.SetCaption(L"Top|Bottom");
    EXPECT_EQ(header.Caption(), L"Top|Bottom");
    const double oneLine = header.Label().Bounds().height;

    header.SetMultiLine(true);
    EXPECT_EQ(header.Caption(), L"Top\r\nBottom");
    EXPECT_EQ(header.Label().Bounds().height, 2 * oneLine);
    header.SetMultiLine(false);
    EXPECT_EQ(header.Caption(), L"Top|Bottom");

    header.SetMultiLine(true);
    header.SetCaption(L"One|Two|Three");
    EXPECT_EQ(header.Caption(), L"One\r\nTwo\r\nThree");
    EXPECT_EQ(header.Label().Bounds().height, 3 * oneLine);
}

TEST_F(InfoHeaderTest, EachOfTheFourBlendPropertiesRepaintsTheStrip) {
    const std::vector<std::pair<const char*, std::function<void()>>> blend{
        {"GradientStyle", [&] { header.SetGradientStyle(0); }},
        {"MaxFill", [&] { header.SetMaxFill(100); }},
        {"LeftColor", [&] { header.SetLeftColor(header.LeftColor()); }},
        {"RightColor", [&] { header.SetRightColor(header.RightColor()); }},
    };
    for (const auto& [name, set] : blend) {
        Mark();
        set();
        EXPECT_TRUE(Repainted()) << name;
    }
}

TEST_F(InfoHeaderTest, ARepaintClearsTheStripSoAPartialFillShowsTheBackground) {
    header.SetLeftColor(0x0000FF);
    header.SetRightColor(0xFF0000);
    header.SetMaxFill(50);  // N = 135 of 270 columns
    const PictureBox& strip = header.Strip();
    EXPECT_EQ(strip.Pixel(0, 5), 0x0000FFu);
    EXPECT_EQ(strip.Pixel(135, 5), 0xFF0000u);
    EXPECT_EQ(strip.Pixel(136, 5), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(strip.Pixel(269, 5), GetSysColor(COLOR_BTNFACE));
}

TEST_F(InfoHeaderTest, AWiderControlIsRepaintedAndKeepsARightCaptionFourPixelsFromTheEdge) {
    header.SetRightColor(0xFF0000);
    header.SetAlignment(2);
    header.Resize(400, 30);
    const PictureBox& strip = header.Strip();
    EXPECT_EQ(strip.WidthPixels(), 400);
    EXPECT_EQ(strip.HeightPixels(), 30);
    EXPECT_EQ(strip.Pixel(399, 10), 0xFF0000u);
    const Box caption = header.Label().Bounds();
    EXPECT_EQ(caption.left + caption.width, 400 * 15 - 60);
    EXPECT_EQ(header.Label().Alignment(), TextAlign::Right);
    EXPECT_EQ(header.Icon().Bounds().top, Half(450 - 240));
}

TEST_F(InfoHeaderTest, ASaveWritesAllElevenPropertiesEvenAtTheirDefaults) {
    PropertyBag bag;
    header.WriteProperties(bag);
    ASSERT_EQ(bag.Entries().size(), 11u);
    EXPECT_EQ(bag.ReadProperty(L"MaxFill", false), PropertyValue(std::int16_t{100}));
    EXPECT_EQ(bag.ReadProperty(L"LeftColor", false),
              PropertyValue(static_cast<std::int32_t>(GetSysColor(COLOR_BTNSHADOW))));
    EXPECT_EQ(bag.ReadProperty(L"FontName", false), PropertyValue(std::wstring(L"Tahoma")));
    EXPECT_EQ(bag.ReadProperty(L"HasIcon", false), PropertyValue(true));
    EXPECT_EQ(ToPicture(bag.ReadProperty(L"Picture", false)), header.Picture());
    EXPECT_TRUE(changed.empty());
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

TEST_F(InfoHeaderTest, AMultiLineCaptionSurvivesASaveAndRestore) {
    header.SetMultiLine(true);
    header.SetCaption(L"First|Second");
    PropertyBag bag;
    header.WriteProperties(bag);
    EXPECT_EQ(bag.ReadProperty(L"Caption", false), PropertyValue(std::wstring(L"First\r\nSecond")));

    InfoHeader restored{messages, {}, k96};
    restored.ReadProperties(bag);
    EXPECT_TRUE(restored.MultiLine());
    EXPECT_EQ(restored.Caption(), L"First\r\nSecond");
}

TEST_F(InfoHeaderTest, AnEmptyBagGivesTheDefaultsButKeepsMaxFillAndPicture) {
    const auto picture = StdPicture::FromIconResource(IDI_WEBPAGE, 32);
    header.SetGradientStyle(1);
    header.SetMaxFill(-5);
    header.SetLeftColor(0x123456);
    header.SetCaption(L"Changed");
    header.SetAlignment(2);
    header.SetHasIcon(false);
    header.SetPicture(picture);
    changed.clear();

    header.ReadProperties(PropertyBag{});
    EXPECT_EQ(header.GradientStyle(), 0);
    EXPECT_EQ(header.MaxFill(), -5);
    EXPECT_EQ(header.LeftColor(), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(header.ForeColor(), GetSysColor(COLOR_3DDKSHADOW));
    EXPECT_EQ(header.Caption(), L"Information Header v1.0");
    EXPECT_EQ(header.Alignment(), 0);
    EXPECT_TRUE(header.HasIcon());
    EXPECT_EQ(header.Picture(), picture);
    EXPECT_TRUE(changed.empty());
}

TEST_F(InfoHeaderTest, AFontIsSharedWholeButOnlyItsFaceIsSaved) {
    const auto arial = std::make_shared<StdFont>(L"Arial", 14, false, true);
    header.SetFontName(arial);
    EXPECT_EQ(header.FontName(), arial);
    const double bigHeight = header.Label().Bounds().height;

    PropertyBag bag;
    header.WriteProperties(bag);
    InfoHeader restored{messages, {}, k96};
    restored.ReadProperties(bag);
    EXPECT_EQ(restored.FontName()->Name(), L"Arial");
    EXPECT_EQ(restored.FontName()->Size(), 10);
    EXPECT_TRUE(restored.FontName()->Bold());
    EXPECT_FALSE(restored.FontName()->Italic());
    EXPECT_LT(restored.Label().Bounds().height, bigHeight);

    // The caption always keeps a font to measure and paint with.
    changed.clear();
    EXPECT_THROW(header.SetFontName(nullptr), std::invalid_argument);
    EXPECT_EQ(header.FontName(), arial);
    EXPECT_TRUE(changed.empty());
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

    MoveWindow(header.Hwnd(), 0, 0, 600, 41, FALSE);
    EXPECT_EQ(header.Strip().WidthPixels(), 600);
    header.Resize(650, 50);
    EXPECT_EQ(header.Strip().WidthPixels(), 650);
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
