// Both windows of a program started at 144 DPI.
#include <gtest/gtest.h>

#include "support/dpi_checks.h"
#include "support/main_window_fixture.h"

namespace barsmith {
namespace {

using HighDpiTest = testing::MainWindowTest;

TEST_F(HighDpiTest, StartedAt144DpiBothWindowsAreLaidOutForIt) {
    ASSERT_EQ(ScreenDpi().y, 144) << "the test's launcher sets the DPI";
    RECT client{};
    GetClientRect(main->Hwnd(), &client);
    EXPECT_EQ(client.right, TwipsToPixels(kClientWidth, 144));
    EXPECT_EQ(client.bottom, TwipsToPixels(kClientHeight, 144));
    testing::ExpectMainWindowLaidOutFor(*main, Dpi{144, 144});
    Click(IDC_SwitchView);
    testing::ExpectCaptionsWhole(main->Hwnd());

    main->OnAbout();
    const HWND about = FindWindowW(L"BarsmithAbout", nullptr);
    ASSERT_TRUE(about);
    const HWND icon = GetDlgItem(about, AboutWindow::IDC_ProgramIcon);
    EXPECT_EQ(testing::IconWidth(reinterpret_cast<HICON>(SendMessageW(icon, STM_GETICON, 0, 0))), 48);
    testing::ExpectCaptionsWhole(about);
}

}  // namespace
}  // namespace barsmith
