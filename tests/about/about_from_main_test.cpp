// The About window as the user reaches it: from the main window's "Abo&ut".
#include <gtest/gtest.h>

#include "about/about_window.h"
#include "about_support.h"
#include "support/main_window_fixture.h"

namespace barsmith {
namespace {

class AboutFromMainWindowTest : public testing::MainWindowTest {
protected:
    static HWND FindAboutWindow() { return FindWindowW(L"BarsmithAbout", L"About Barsmith"); }
};

TEST_F(AboutFromMainWindowTest, AboutTwiceLeavesOneWindowBesideAUsableMainWindow) {
    Click(IDC_About);
    const HWND about = FindAboutWindow();
    ASSERT_TRUE(about);
    EXPECT_TRUE(IsWindowVisible(about));
    EXPECT_NE(GetWindow(about, GW_OWNER), main->Hwnd()) << "closing the main window must not take it along";

    Click(IDC_About);
    EXPECT_EQ(FindAboutWindow(), about);
    EXPECT_EQ(testing::CountAboutWindows(), 1);
    EXPECT_EQ(forms.Count(), 2u);
    EXPECT_TRUE(IsWindowEnabled(main->Hwnd())) << "the About window is not modal";
}

TEST_F(AboutFromMainWindowTest, CloseWithTheAboutWindowOpenEndsTheProgram) {
    Click(IDC_About);
    ASSERT_TRUE(FindAboutWindow());
    Click(IDC_Close);
    EXPECT_FALSE(FindAboutWindow());
    EXPECT_FALSE(main->IsLoaded());
    EXPECT_EQ(forms.Count(), 0u);
    EXPECT_EQ(lastFormGone, 1);
}

TEST_F(AboutFromMainWindowTest, AboutWindowOutlivesTheMainWindowsCloseBox) {
    Click(IDC_About);
    const HWND about = FindAboutWindow();
    ASSERT_TRUE(about);
    SendMessageW(main->Hwnd(), WM_CLOSE, 0, 0);
    Pump();
    EXPECT_FALSE(main->IsLoaded());
    EXPECT_TRUE(IsWindowVisible(about));
    EXPECT_EQ(lastFormGone, 0);

    SendMessageW(GetDlgItem(about, AboutWindow::IDC_Close), BM_CLICK, 0, 0);
    Pump();
    EXPECT_FALSE(IsWindow(about));
    EXPECT_EQ(lastFormGone, 1);
}

}  // namespace
}  // namespace barsmith
