#include "about/about_window.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "about/program_version.h"
#include "about/publisher.h"
#include "about_support.h"
#include "resource.h"
#include "support/captions.h"
#include "support/dpi_checks.h"
#include "support/fakes.h"
#include "version.h"

namespace barsmith {
namespace {

using testing::RecordingShell;
using testing::ScriptedMessageBox;

class AboutWindowTest : public ::testing::Test {
protected:
    AboutWindowTest() { forms.onLastFormGone = [this] { ++lastFormGone; }; }

    HWND Control(int id) { return about.ControlById(id); }

    FormRegistry forms;
    int lastFormGone = 0;
    ScriptedMessageBox messages;
    RecordingShell shell;
    AboutWindow about{forms, messages, shell};
};

TEST_F(AboutWindowTest, FixedCentredDialogOutOfTheTaskbarWithTheProgramsIcon) {
    ASSERT_TRUE(about.ShowModeless());
    const HWND window = about.Hwnd();
    const LONG style = GetWindowLongW(window, GWL_STYLE);
    const LONG exStyle = GetWindowLongW(window, GWL_EXSTYLE);
    EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    EXPECT_TRUE(exStyle & WS_EX_DLGMODALFRAME);
    EXPECT_FALSE(exStyle & WS_EX_APPWINDOW);
    const HWND owner = GetWindow(window, GW_OWNER);
    EXPECT_TRUE(owner && !IsWindowVisible(owner)) << "an owned window has no taskbar button";

    RECT frame{};
    RECT work{};
    GetWindowRect(window, &frame);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_NEAR(frame.left + frame.right, work.left + work.right, 2);
    EXPECT_NEAR(frame.top + frame.bottom, work.top + work.bottom, 2);

    EXPECT_EQ(reinterpret_cast<HICON>(GetClassLongPtrW(window, GCLP_HICON)),
              LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_BARSMITH)));
    EXPECT_TRUE(SendMessageW(Control(AboutWindow::IDC_Logo), STM_GETIMAGE, IMAGE_BITMAP, 0));
    EXPECT_TRUE(SendMessageW(Control(AboutWindow::IDC_ProgramIcon), STM_GETICON, 0, 0));
}

TEST_F(AboutWindowTest, ADpiChangeGrowsThePicturesAndKeepsTheCaptionsWhole) {
    ASSERT_TRUE(about.ShowModeless());
    const auto logoWidth = [this] {
        BITMAP logo{};
        GetObjectW(reinterpret_cast<HBITMAP>(SendMessageW(Control(AboutWindow::IDC_Logo), STM_GETIMAGE, IMAGE_BITMAP, 0)),
                   sizeof logo, &logo);
        return logo.bmWidth;
    };
    const int drawnWidth = logoWidth() * 96 / about.CurrentDpi().x;
    RECT suggested{60, 50, 700, 600};
    SendMessageW(about.Hwnd(), WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(logoWidth(), ScaleFrom96(drawnWidth, 144));
    const auto icon = reinterpret_cast<HICON>(SendMessageW(Control(AboutWindow::IDC_ProgramIcon), STM_GETICON, 0, 0));
    EXPECT_EQ(testing::IconWidth(icon), TwipsToPixels(480, 144));
    testing::ExpectCaptionsWhole(about.Hwnd());
}

TEST_F(AboutWindowTest, ShowingAgainBringsTheOpenWindowForwardWithoutLoadingIt) {
    ASSERT_TRUE(about.ShowModeless());
    const HWND first = about.Hwnd();
    EXPECT_EQ(WindowText(Control(AboutWindow::IDC_Version)), L"Version " BARSMITH_VERSION_STRING);
    SetWindowTextW(Control(AboutWindow::IDC_Version), L"changed since load");

    ASSERT_TRUE(about.ShowModeless());
    EXPECT_EQ(about.Hwnd(), first);
    EXPECT_EQ(WindowText(Control(AboutWindow::IDC_Version)), L"changed since load");
    EXPECT_EQ(GetForegroundWindow(), first);

    // Closed with its close box, it loads anew on the next request.
    SendMessageW(about.Hwnd(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(about.IsLoaded());
    EXPECT_EQ(lastFormGone, 1);
    ASSERT_TRUE(about.ShowModeless());
    EXPECT_NE(WindowText(Control(AboutWindow::IDC_Version)), L"changed since load");
    EXPECT_EQ(testing::CountAboutWindows(), 1);
}

// The link buttons pressed with Enter and Tab, the pictures clicked; an access key closes.
TEST_F(AboutWindowTest, LinksOpenThePublishersPagesFromTheKeyboardOrTheMouse) {
    ASSERT_TRUE(about.ShowModeless());
    const auto press = [this](UINT message, WPARAM key) {
        PostMessageW(GetFocus(), message, key, message == WM_SYSCHAR ? 1 << 29 : 0);
        for (MSG msg; PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);) {
            if (!forms.PreTranslate(msg)) DispatchMessageW(&msg);
        }
    };
    press(WM_KEYDOWN, VK_RETURN);  // on the first button, which has the focus at first
    press(WM_KEYDOWN, VK_TAB);
    EXPECT_EQ(GetFocus(), Control(AboutWindow::IDC_HomePage));
    press(WM_KEYDOWN, VK_RETURN);
    for (const int picture : {AboutWindow::IDC_Logo, AboutWindow::IDC_ProgramIcon}) {
        SendMessageW(Control(picture), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        SendMessageW(Control(picture), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    }
    const std::wstring expected[] = {kMailingListPage, kHomePage, kHomePage, kHomePage};
    ASSERT_EQ(shell.executed.size(), std::size(expected));
    for (size_t i = 0; i < shell.executed.size(); ++i) {
        EXPECT_EQ(shell.executed[i].owner, about.Hwnd());
        EXPECT_EQ(shell.executed[i].file, expected[i]);
        EXPECT_EQ(shell.executed[i].showCommand, SW_SHOWNORMAL);
    }
    press(WM_SYSCHAR, L'e');
    EXPECT_FALSE(about.IsLoaded()) << "Clos&e";
}

TEST(AboutVersionText, NumbersAreWrittenInDecimalWithoutLeadingZeros) {
    EXPECT_EQ(VersionText({1, 0, 0}), L"Version 1.0.0");
    EXPECT_EQ(VersionText({2, 10, 3}), L"Version 2.10.3");
}

// The real message box, dismissed from a second thread as a user would.
TEST(AboutWindowSystemInfo, UnavailableToolIsReportedInARealMessageBox) {
    const testing::SysInfoEntries entries;
    FormRegistry forms;
    forms.onLastFormGone = [] {};
    SystemMessageBox messages;
    RecordingShell shell;
    AboutWindow about{forms, messages, shell};
    ASSERT_TRUE(about.ShowModeless());

    std::wstring shownText;
    HWND shownOwner = nullptr;
    std::atomic<bool> dismissed = false;
    std::thread user([&] {
        for (int attempt = 0; attempt < 100 && !dismissed; ++attempt) {
            if (const HWND box = FindWindowW(L"#32770", L"Barsmith")) {
                shownText = WindowText(GetDlgItem(box, 0xFFFF));  // the message box's text
                shownOwner = GetWindow(box, GW_OWNER);
                PostMessageW(box, WM_COMMAND, IDOK, 0);
                dismissed = true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    });
    SendMessageW(GetDlgItem(about.Hwnd(), AboutWindow::IDC_SystemInfo), BM_CLICK, 0, 0);
    dismissed = true;
    user.join();

    EXPECT_EQ(shownText, L"System Information Is Unavailable At This Time");
    EXPECT_EQ(shownOwner, about.Hwnd());
    EXPECT_TRUE(about.IsLoaded());
    EXPECT_TRUE(shell.started.empty());
}

}  // namespace
}  // namespace barsmith
