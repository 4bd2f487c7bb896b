#include "platform/common_dialog.h"

#include <gtest/gtest.h>

#include "platform/twips.h"
#include "support/fakes.h"

namespace barsmith {
namespace {

TEST(TwipsTest, RoundsToTheNearestPixelAtEachAxisDpi) {
    EXPECT_EQ(TwipsToPixels(7, 96), 0);  // 0.47 px
    EXPECT_EQ(TwipsToPixels(8, 96), 1);  // 0.53 px
    EXPECT_EQ(TwipsToPixels(-8, 96), -1);  // away from zero, as MulDiv rounds
    const RECT r = ToPixels({120, 720, 7095, 1935}, Dpi{96, 120});  // left, top, width, height
    const RECT expected{8, 60, 8 + 473, 60 + 161};
    EXPECT_TRUE(EqualRect(&r, &expected));
}

TEST(FileDialogTest, FilterBecomesNulSeparatedPairs) {
    EXPECT_EQ(ToDialogFilter(L"Icons (*.ico)|*.ico"), std::wstring(L"Icons (*.ico)\0*.ico\0\0", 21));
    EXPECT_EQ(ToDialogFilter(L"A|*.a|B|*.b"), std::wstring(L"A\0*.a\0B\0*.b\0\0", 13));
    EXPECT_EQ(ToDialogFilter(L""), L"");
}

TEST(FileDialogTest, PropertiesPersistBetweenUsesAndLongPathsFit) {
    testing::ScriptedFileDialog dialogs;
    const std::wstring longPath = L"\\\\?\\C:\\" + std::wstring(1000, L'a') + L"\\b.exe";
    dialogs.answers = {L"C:\\Icons\\star.ico", L"", longPath};
    FileDialog picker(dialogs);
    picker.Filter = L"Icons (*.ico)|*.ico";
    picker.DialogTitle = L"Choose your default icon";
    picker.InitDir = L"C:\\Icons";
    EXPECT_EQ(picker.Open(nullptr), L"C:\\Icons\\star.ico");

    // The next use changes only the title: the last pick is offered again.
    picker.DialogTitle = L"Choose your program";
    EXPECT_EQ(picker.Open(nullptr), std::nullopt);  // cancelled
    ASSERT_EQ(dialogs.requests.size(), 2u);
    EXPECT_EQ(dialogs.requests[1].fileName, L"C:\\Icons\\star.ico");
    EXPECT_EQ(dialogs.requests[1].initialDir, L"C:\\Icons");
    EXPECT_EQ(dialogs.requests[1].title, L"Choose your program");
    EXPECT_EQ(dialogs.requests[1].filter, std::wstring(L"Icons (*.ico)\0*.ico\0", 20));
    EXPECT_EQ(picker.FileName, L"C:\\Icons\\star.ico");
    EXPECT_EQ(picker.Save(nullptr), longPath);
}

}  // namespace
}  // namespace barsmith
