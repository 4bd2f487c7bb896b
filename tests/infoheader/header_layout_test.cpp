// The placement of the header's icon and caption the program uses: one line,
// the icon shown, the caption after it.
#include "infoheader/header_layout.h"

#include <gtest/gtest.h>

namespace barsmith {
namespace {

// At 96 dots per inch: 15 twips to the pixel both ways.
constexpr StripMeasures Strip(double width, double height) { return {width, height, width, height, 15, 15}; }

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

}  // namespace
}  // namespace barsmith
