#include "infoheader/header_layout.h"

#include <gtest/gtest.h>

namespace barsmith {
namespace {

// At 96 dots per inch: 15 twips to the pixel both ways.
constexpr StripMeasures Strip(double width, double height) { return {width, height, width, height, 15, 15}; }

// The icon and caption as placed in a strip 7395 twips wide, the caption aligned `align` before.
ChildPlacement Placed(double height, PlacementOptions options, Box icon, Box caption,
                      TextAlign align = TextAlign::Left) {
    ChildPlacement c{true, icon, caption, align};
    PlaceIconAndCaption(Strip(7395, height), options, c);
    return c;
}

TEST(HeaderLayoutTest, HalfRoundsToEvenTwipsBeforeHalving) {
    EXPECT_EQ(Half(135), 67);
    EXPECT_EQ(Half(134.5), 67);  // 134 is even
    EXPECT_EQ(Half(135.5), 68);  // 136 is even
    EXPECT_EQ(Half(-135), -67);  // the remainder goes towards zero
}

TEST(HeaderLayoutTest, SingleLineCentresIconAndCaptionAndPutsTheIconFourPixelsIn) {
    ChildPlacement c{false, {0, 0, 480, 480}, {0, 0, 1200, 195}};
    PlaceIconAndCaption(Strip(7395, 615), {true, false, 0}, c);
    EXPECT_TRUE(c.iconVisible);
    EXPECT_EQ(c.icon.left, 60);
    EXPECT_EQ(c.icon.top, 67);      // 135 / 2
    EXPECT_EQ(c.caption.top, 210);  // 420 / 2
    EXPECT_EQ(c.caption.left, 60 + 480 + 105);
    EXPECT_EQ(c.captionAlign, TextAlign::Left);

    ChildPlacement small{true, {0, 0, 240, 240}, {0, 0, 1200, 195}};
    PlaceIconAndCaption(Strip(4050, 390), {true, false, 0}, small);
    EXPECT_EQ(small.caption.left, 405);
}

TEST(HeaderLayoutTest, MultiLineAlignsTheTopsAndKeepsTheIconsLeftEdge) {
    const auto tallIcon = Placed(615, {true, true, 0}, {123, 0, 480, 480}, {0, 0, 900, 390});
    EXPECT_EQ(tallIcon.icon.top, 67);
    EXPECT_EQ(tallIcon.caption.top, 67);
    EXPECT_EQ(tallIcon.icon.left, 123);
    EXPECT_EQ(tallIcon.caption.left, 123 + 480 + 105);

    const auto sameHeight = Placed(1000, {true, true, 0}, {60, 0, 240, 390}, {0, 0, 900, 390});
    EXPECT_EQ(sameHeight.caption.top, 305);
    EXPECT_EQ(sameHeight.icon.top, 305);

    const auto tallCaption = Placed(999.5, {true, true, 0}, {60, 0, 240, 240}, {0, 0, 900, 585});
    EXPECT_EQ(tallCaption.caption.top, 207);  // 414.5 rounds to 414
    EXPECT_EQ(tallCaption.icon.top, 207);
}

TEST(HeaderLayoutTest, CentredAndRightCaptionsWithAndWithoutIcon) {
    const auto centred = Placed(615, {true, false, 1}, {0, 0, 480, 480}, {0, 0, 1001, 195});
    // Centred in what lies right of the icon: 540 + half(7395 - 540 - 1001).
    EXPECT_EQ(centred.caption.left, 540 + 2927);
    EXPECT_EQ(centred.captionAlign, TextAlign::Centre);

    const auto right = Placed(615, {true, false, 2}, {0, 0, 480, 480}, {0, 0, 1000, 195});
    EXPECT_EQ(right.caption.left + right.caption.width, 7395 - 60);
    EXPECT_EQ(right.captionAlign, TextAlign::Right);

    auto bare = Placed(615, {false, false, 1}, {60, 67, 480, 480}, {0, 0, 1001, 195});
    EXPECT_FALSE(bare.iconVisible);
    EXPECT_EQ(bare.caption.left, 3197);
    EXPECT_EQ(bare.caption.top, 210);
    PlaceIconAndCaption(Strip(7395, 615), {false, true, 0}, bare);
    EXPECT_EQ(bare.caption.left, 60);
    EXPECT_EQ(bare.captionAlign, TextAlign::Left);
    PlaceIconAndCaption(Strip(7395, 615), {false, false, 2}, bare);
    EXPECT_EQ(bare.caption.left, 7395 - 1001 - 60);
    EXPECT_EQ(bare.icon.top, 67);  // a hidden icon is not moved
}

TEST(HeaderLayoutTest, AlignmentThreeStacksTheCaptionTwoPixelsUnderTheIcon) {
    const auto c = Placed(1200, {true, true, 3}, {0, 0, 480, 480}, {0, 0, 1500, 390}, TextAlign::Right);
    // The block of 390 + 480 + 30 twips is centred on the inner height.
    EXPECT_EQ(c.icon.top, 150);
    EXPECT_EQ(c.caption.top, 150 + 480 + 30);
    EXPECT_EQ(c.caption.left, c.icon.left);
    EXPECT_EQ(c.captionAlign, TextAlign::Left);

    // A block of 97.5 twips at 7.5 twips per pixel rounds to 98 (even) and 22 - 98 halves to -38.
    ChildPlacement fine{true, {30, 0, 45, 45}, {0, 0, 100, 37.5}};
    PlaceIconAndCaption(StripMeasures{400, 22, 400, 22, 7.5, 7.5}, {true, false, 3}, fine);
    EXPECT_EQ(fine.icon.top, -38);
    EXPECT_EQ(fine.caption.top, -38 + 45 + 15);
}

TEST(HeaderLayoutTest, WithoutAPlaceForTheAlignmentTheCaptionKeepsItsLeftEdgeAndTextAlignment) {
    const auto stacked = Placed(615, {false, false, 3}, {60, 0, 480, 480}, {1234, 0, 900, 195}, TextAlign::Right);
    EXPECT_FALSE(stacked.iconVisible);
    EXPECT_EQ(stacked.caption.top, 210);
    EXPECT_EQ(stacked.caption.left, 1234);
    EXPECT_EQ(stacked.captionAlign, TextAlign::Right);

    const auto unknown = Placed(615, {true, false, 7}, {0, 0, 480, 480}, {1234, 0, 900, 195}, TextAlign::Centre);
    EXPECT_EQ(unknown.caption.left, 1234);
    EXPECT_EQ(unknown.captionAlign, TextAlign::Centre);
    EXPECT_EQ(unknown.icon.left, 60);
}

TEST(HeaderLayoutTest, BarsBecomeLineBreaksAndLineBreaksBarsAgain) {
    for (const auto& [bars, lines] : {std::pair{L"Top|Bottom", L"Top\r\nBottom"}, {L"Top|", L"Top\r\n"}, {L"|", L"\r\n"},
                                      {L"a||b|", L"a\r\n\r\nb\r\n"}, {L"", L""}, {L"plain text", L"plain text"}}) {
        EXPECT_EQ(DoMultiLining(bars), lines);
        EXPECT_EQ(RemoveCRLF(lines), bars);
    }
    EXPECT_EQ(DoMultiLining(L"no bars\r\n"), L"no bars\r\n");
    EXPECT_EQ(RemoveCRLF(L"\r\r\n"), L"||");  // each return a bar, each line feed dropped
    EXPECT_EQ(RemoveCRLF(L"a\nb"), L"ab");
}

}  // namespace
}  // namespace barsmith
