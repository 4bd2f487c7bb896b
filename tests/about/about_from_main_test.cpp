// The About window as the user reaches it: from the main window's "Abo&ut".
#include <gtest/gtest.h>

#include "about/frmAbout.h"
#include "about_support.h"
#include "support/main_window_fixture.h"

namespace barsmith {
namespace {

class AboutFromMainWindowTest : public testing::MainWindowTest {
protected:
    static HWND AboutWindow() { return FindWindowW(L"BarsmithAbout", L"About Barsmith"); }
};

TEST_F(AboutFromMainWindowTest, AboutTwiceLeavesOneWindowBesideAUsableMainWindow) {
    Click(IDC_cmdAbout);
    const HWND about = AboutWindow();
    ASSERT_TRUE(about);
    EXPECT_TRUE(IsWindowVisible(about));
    EXPECT_NE(GetWindow(about, GW_OWNER), main->Hwnd()) << "closing the main window must not take it along";

    Click(IDC_cmdAbout);
    EXPECT_EQ(AboutWindow(), about);
    EXPECT_EQ(testing::CountAboutWindows(), 1);
    EXPECT_EQ(forms.Count(), 2u);
    EXPECT_TRUE(IsWindowEnabled(main->Hwnd())) << "the About window is not modal";
}

TEST_F(AboutFromMainWindowTest, CloseWithTheAboutWindowOpenEndsTheProgram) {
    Click(IDC_cmdAbout);
    ASSERT_TRUE(AboutWindow());
    Click(IDC_cmdClose);
    EXPECT_FALSE(AboutWindow());
    EXPECT_FALSE(main->IsLoaded());
    EXPECT_EQ(forms.Count(), 0u);
    EXPECT_EQ(lastFormGone, 1);
}

TEST_F(AboutFromMainWindowTest, AboutWindowOutlivesTheMainWindowsCloseBox) {
    Click(IDC_cmdAbout);
    const HWND about = AboutWindow();
    ASSERT_TRUE(about);
    SendMessageW(main->Hwnd(), WM_CLOSE, 0, 0);
    Pump();
    EXPECT_FALSE(main->IsLoaded());
    EXPECT_TRUE(IsWindowVisible(about));
    EXPECT_EQ(lastFormGone, 0);

    SendMessageW(GetDlgItem(about, frmAbout::IDC_Command3), BM_CLICK, 0, 0);
    Pump();
    EXPECT_FALSE(IsWindow(about));
    EXPECT_EQ(lastFormGone, 1);
}

}  // namespace
}  // namespace barsmith
