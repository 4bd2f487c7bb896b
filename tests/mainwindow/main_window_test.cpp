// The real main window under Wine, driven with real messages.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <thread>

#include "support/dpi_checks.h"
#include "support/main_window_fixture.h"

namespace barsmith {
namespace {

using testing::MainWindowTest;

// Placed in the middle of the work area as the About window is (about_window_test.cpp).
TEST_F(MainWindowTest, WindowHasItsTitleAFixedSizeAndCanBeMinimised) {
    EXPECT_EQ(WindowText(main->Hwnd()), L"Create Custom Internet Explorer Buttons and Menus");
    const LONG style = GetWindowLongW(main->Hwnd(), GWL_STYLE);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_THICKFRAME);
}

TEST_F(MainWindowTest, EveryCaptionOfBothWindowsIsWholeInTheDefaultFontAndInTheWidest) {
    const std::wstring widest = testing::WidestFace();
    for (const bool wide : {false, true}) {
        SCOPED_TRACE(wide ? widest : L"the default message font");
        std::optional<testing::MessageFontSetting> setting;
        if (wide) {
            setting.emplace(widest.c_str(), -16);
            Open(dialogs);
            LOGFONTW font{};
            GetObjectW(main->Font(), sizeof font, &font);
            EXPECT_EQ(font.lfFaceName, widest);
        }
        main->SetStatusCreated(L"WWWWWWWWWWWWWWWWWWWWWWWWW");
        testing::ExpectMainWindowLaidOutFor(*main, main->CurrentDpi());  // makes every control
        Click(IDC_SwitchView);  // the status line takes its default text again
        testing::ExpectCaptionsWhole(main->Hwnd());
        main->OnAbout();
        testing::ExpectCaptionsWhole(FindWindowW(L"BarsmithAbout", nullptr));
    }
}

TEST_F(MainWindowTest, ADpiChangeTakesTheSuggestedRectangleAndLaysEverythingOutAgain) {
    RECT suggested{40, 30, 900, 700};
    SendMessageW(main->Hwnd(), WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    Pump();
    RECT window{};
    GetWindowRect(main->Hwnd(), &window);
    EXPECT_TRUE(EqualRect(&window, &suggested));
    testing::ExpectMainWindowLaidOutFor(*main, Dpi{144, 144});
}

TEST_F(MainWindowTest, ToolTipsAreMadeWhenTheMouseFirstComesOverTheWindow) {
    const auto tips = [this] {
        for (HWND w = FindWindowW(TOOLTIPS_CLASSW, nullptr); w; w = FindWindowExW(nullptr, w, TOOLTIPS_CLASSW, nullptr)) {
            if (GetWindow(w, GW_OWNER) == main->Hwnd()) return SendMessageW(w, TTM_GETTOOLCOUNT, 0, 0);
        }
        return LRESULT{-1};
    };
    // The mouse over the Hot Icon picker, inside its frame (the pointer may have been over the window already).
    SendMessageW(Ctl(IDC_PickHotIcon), WM_SETCURSOR, reinterpret_cast<WPARAM>(Ctl(IDC_PickHotIcon)),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(tips(), 8);
}

TEST_F(MainWindowTest, TabWalksTheDesignedOrderAcrossFramesOverWhatIsInView) {
    const auto tab = [this](bool shift) {
        PressKey(GetFocus(), WM_KEYDOWN, VK_TAB, shift ? VK_SHIFT : 0);
        return static_cast<ControlId>(GetDlgCtrlID(GetFocus()));
    };
    // One whole round from the first control, and back again with Shift+Tab.
    const auto round = [&tab](bool shift) {
        std::vector<ControlId> seen{static_cast<ControlId>(GetDlgCtrlID(GetFocus()))};
        for (int step = 0; step < 40; ++step) {
            const ControlId next = tab(shift);
            if (next == seen.front()) break;
            seen.push_back(next);
        }
        return seen;
    };
    std::vector<ControlId> expected = {
        IDC_PickApplication, IDC_PickIcon,      IDC_PickHotIcon, IDC_ApplicationPath, IDC_IconPath,
        IDC_HotIconPath,     IDC_ButtonText,    IDC_MenuText,    IDC_StatusBarText,   IDC_ToolTip,
        IDC_RunsProgram,  // the chosen one of the two options
        IDC_MenuOnly,        IDC_HelpMenu,      IDC_ChangeIcon,  IDC_ChangeHotIcon,
        IDC_AllUsers,  // the chosen one of the two places
        IDC_ButtonVisible,   IDC_About,         IDC_Help,        IDC_SwitchView,      IDC_CreateButton,
        IDC_Close,
    };
    // The controls of the working state, once made, lie below the client area and out of the round.
    RECT client;
    GetClientRect(main->Hwnd(), &client);
    for (const ControlId id : {IDC_PreviewedGuid, IDC_NextGuid, IDC_PreviewedIconPath, IDC_MakeGuid})
        EXPECT_GE(testing::PlaceInParent(Ctl(id)).top, client.bottom) << id;
    SetFocus(Ctl(IDC_PickApplication));
    EXPECT_EQ(round(false), expected);
    std::vector<ControlId> backwards(expected.rbegin(), expected.rend() - 1);
    backwards.insert(backwards.begin(), IDC_PickApplication);
    EXPECT_EQ(round(true), backwards);

    // The My Buttons view is made when it is first shown, and takes its place
    // then; its Delete Selected is disabled with nothing selected.
    Click(IDC_SwitchView);
    std::erase_if(expected, [](ControlId id) { return id >= IDC_MenuText && id <= IDC_ToolTip; });
    expected.insert(expected.end(), {IDC_Check, IDC_MyButtonsList});
    SetFocus(Ctl(IDC_PickApplication));
    EXPECT_EQ(round(false), expected);

    // A text box reached with Tab has its text selected, ready to be typed over.
    main->SetText(IDC_ButtonText, L"Notes");
    SetFocus(Ctl(IDC_ApplicationPath));
    tab(false);
    tab(false);
    EXPECT_EQ(tab(false), IDC_ButtonText);
    EXPECT_EQ(SendMessageW(Ctl(IDC_ButtonText), EM_GETSEL, 0, 0), MAKELRESULT(0, 5));
}

TEST_F(MainWindowTest, EnterPressesTheFocusedButtonWhichShowsAsTheDefault) {
    const auto isDefault = [this](ControlId id) {
        return (GetWindowLongW(Ctl(id), GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
    };
    SetFocus(Ctl(IDC_About));
    PressKey(GetFocus(), WM_KEYDOWN, VK_TAB);
    EXPECT_TRUE(isDefault(IDC_Help) && !isDefault(IDC_About));
    PressKey(GetFocus(), WM_KEYDOWN, VK_RETURN);
    EXPECT_EQ(shell.executed.size(), 1u) << "Help";
    // Enter in a text box presses nothing, and no button shows as the default there.
    SetFocus(Ctl(IDC_MenuText));
    PressKey(GetFocus(), WM_KEYDOWN, VK_RETURN);
    EXPECT_FALSE(isDefault(IDC_Help) || isDefault(IDC_About));
    EXPECT_EQ(shell.executed.size(), 1u);
    EXPECT_TRUE(messages.shown.empty());
    // A button the program gave the focus to is pressed too.
    SetFocus(Ctl(IDC_Help));
    PressKey(GetFocus(), WM_KEYDOWN, VK_RETURN);
    EXPECT_EQ(shell.executed.size(), 2u);
}

TEST_F(MainWindowTest, TheFocusIsWhereTheUserLeftItWhenTheWindowIsActivatedAgain) {
    SetFocus(Ctl(IDC_MenuText));
    main->OnAbout();
    Pump();
    ASSERT_NE(GetForegroundWindow(), main->Hwnd());
    SetForegroundWindow(main->Hwnd());
    Pump();
    EXPECT_EQ(GetFocus(), Ctl(IDC_MenuText));
}

TEST_F(MainWindowTest, AnErrorThatReachesTheWindowIsToldAndTheWindowGoesOn) {
    dialogs.throws = "the dialog broke";
    Click(IDC_PickApplication);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].owner, main->Hwnd());
    EXPECT_EQ(messages.shown[0].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
    EXPECT_NE(messages.shown[0].text.find(L"unexpected error"), std::wstring::npos);
    EXPECT_NE(messages.shown[0].text.find(L"the dialog broke"), std::wstring::npos);
    EXPECT_TRUE(IsWindow(main->Hwnd()));
}

// The My Buttons view, asked for in the Tools Menu view, is made as it starts:
// hidden, nothing to delete, the program's icon in the preview.
TEST_F(MainWindowTest, StartsInToolsMenuModeForEveryone) {
    ExpectMode(false);
    EXPECT_FALSE(Enabled(IDC_DeleteSelected));
    EXPECT_NE(SendMessageW(Ctl(IDC_Preview), STM_GETICON, 0, 0), 0);
    EXPECT_FALSE(Checked(IDC_CurrentUserOnly)) << "elevated, as on Wine: for everyone";
    EXPECT_TRUE(Checked(IDC_AllUsers));
    EXPECT_TRUE(Checked(IDC_ButtonVisible));
    EXPECT_EQ(main->Text(IDC_Status), kDefaultStatus);
    EXPECT_EQ(main->StatusColor(), kStatusDefaultColor);
    EXPECT_EQ(GetFocus(), Ctl(IDC_ApplicationPath));
}

TEST_F(MainWindowTest, ButtonTextTakesAtMost25Characters) {
    SetFocus(Ctl(IDC_ButtonText));
    for (int i = 0; i < 26; ++i) SendMessageW(Ctl(IDC_ButtonText), WM_CHAR, L'a' + i % 26, 0);
    EXPECT_EQ(main->Text(IDC_ButtonText), L"abcdefghijklmnopqrstuvwxy");
}

// The texts the My Buttons view hides keep what was typed into them.
TEST_F(MainWindowTest, ModeSwitchKeepsTypedTextAndResetsStatusOnlyOnTheWayIn) {
    const ControlId hidden[] = {IDC_MenuText, IDC_StatusBarText, IDC_ToolTip};
    for (const ControlId id : hidden) main->SetText(id, L"typed " + std::to_wstring(id));
    main->SetStatusCreated(L"Tool");

    Click(IDC_SwitchView);
    ExpectMode(true);
    EXPECT_FALSE(Enabled(IDC_DeleteSelected));
    EXPECT_EQ(main->Text(IDC_Status), kDefaultStatus);
    EXPECT_EQ(main->StatusColor(), kStatusDefaultColor);

    main->SetStatusCreated(L"Tool");
    Click(IDC_SwitchView);
    ExpectMode(false);
    EXPECT_EQ(main->Text(IDC_Status), L"The Tool Button has been created!");
    EXPECT_EQ(main->StatusColor(), kStatusCreatedColor);
    for (const ControlId id : hidden) EXPECT_EQ(main->Text(id), L"typed " + std::to_wstring(id));
}

TEST_F(MainWindowTest, AccessKeysPressTheirButtons) {
    main->SetText(IDC_MenuText, L"Re&mix");  // comes first in the tab order, but an "&" typed in is text
    SetFocus(Ctl(IDC_MenuText));
    PostMessageW(Ctl(IDC_MenuText), WM_SYSCHAR, L'm', 1 << 29);
    Pump();
    EXPECT_EQ(main->Text(IDC_SwitchView), L"&Tools Menu");
    PostMessageW(Ctl(IDC_ApplicationPath), WM_SYSCHAR, L'T', 1 << 29);
    Pump();
    EXPECT_EQ(main->Text(IDC_SwitchView), L"&My Buttons");
    // Nor is one in the status line, which shows what the user typed.
    main->SetStatusCreated(L"R&D");
    SetFocus(Ctl(IDC_Close));
    PostMessageW(Ctl(IDC_Close), WM_SYSCHAR, L'd', 1 << 29);
    Pump();
    ASSERT_EQ(dialogs.requests.size(), 1u);
    EXPECT_EQ(dialogs.requests[0].title, L"Choose your default icon");
}

TEST_F(MainWindowTest, ArrowKeysChooseAmongTheOptionsNextToEachOther) {
    SetFocus(Ctl(IDC_RunsProgram));
    PressKey(GetFocus(), WM_KEYDOWN, VK_DOWN);
    EXPECT_EQ(GetFocus(), Ctl(IDC_RunsScript));
    EXPECT_TRUE(Checked(IDC_RunsScript) && !Checked(IDC_RunsProgram));
    EXPECT_EQ(main->Text(IDC_ApplicationLabel), L"Script") << "chosen as with a click";
    PressKey(GetFocus(), WM_KEYDOWN, VK_DOWN);
    EXPECT_EQ(GetFocus(), Ctl(IDC_RunsProgram)) << "the check box below is a group of its own";
    EXPECT_FALSE(Checked(IDC_MenuOnly));
}

TEST_F(MainWindowTest, F1AnywhereOpensHelpAndOtherKeysDoNothing) {
    const auto press = [this](ControlId where, UINT message, WPARAM key, BYTE modifier) {
        SetFocus(Ctl(where));
        PressKey(Ctl(where), message, key, modifier);
    };
    press(IDC_MenuText, WM_KEYDOWN, VK_F1, 0);
    press(IDC_ApplicationPath, WM_KEYDOWN, VK_F1, VK_SHIFT);
    press(IDC_ButtonText, WM_KEYDOWN, VK_F1, VK_CONTROL);
    press(IDC_ToolTip, WM_SYSKEYDOWN, VK_F1, VK_MENU);
    press(IDC_MenuText, WM_KEYDOWN, VK_F2, 0);
    ASSERT_EQ(shell.executed.size(), 4u);

    Click(IDC_Help);
    ASSERT_EQ(shell.executed.size(), 5u);
    for (const auto& request : shell.executed) {
        EXPECT_EQ(request.owner, main->Hwnd());
        EXPECT_EQ(request.file, ExecutableFolder() + L"\\Barsmith.chm");
        EXPECT_EQ(request.showCommand, SW_SHOWNORMAL);
    }
}

TEST_F(MainWindowTest, PickersFillTheirFieldsAndIconPickersStartInIcons) {
    dialogs.answers = {L"C:\\Tools\\tool.exe", L"C:\\Icons\\star.ico", L"C:\\Icons\\hot.ico", L""};
    Click(IDC_PickApplication);
    Click(IDC_PickIcon);
    main->SetStatusCreated(L"Tool");
    Click(IDC_PickHotIcon);
    EXPECT_EQ(main->StatusColor(), kStatusDefaultColor) << "a picker resets the status line";
    main->SetText(IDC_ApplicationPath, L"C:\\Tools\\edited.exe");
    Click(IDC_PickApplication);  // cancelled

    EXPECT_EQ(main->Text(IDC_ApplicationPath), L"C:\\Tools\\edited.exe");
    EXPECT_EQ(main->Text(IDC_IconPath), L"C:\\Icons\\star.ico");
    EXPECT_EQ(main->Text(IDC_HotIconPath), L"C:\\Icons\\hot.ico");
    ASSERT_EQ(dialogs.requests.size(), 4u);
    const std::wstring icons = std::wstring(L"Icons (*.ico)\0*.ico\0", 20);
    const struct {
        const wchar_t* title;  // the system's own texts, shown as they are
        std::wstring filter;
        std::wstring initialDir;
    } pickers[] = {{L"Choose your program", std::wstring(L"Executables (*.exe)\0*.exe\0", 26), L""},
                   {L"Choose your default icon", icons, ExecutableFolder() + L"\\Icons"},
                   {L"Choose your hot icon", icons, ExecutableFolder() + L"\\Icons"}};
    for (size_t i = 0; i < std::size(pickers); ++i) {
        EXPECT_EQ(dialogs.requests[i].title, pickers[i].title);
        EXPECT_EQ(dialogs.requests[i].filter, pickers[i].filter) << pickers[i].title;
        EXPECT_EQ(dialogs.requests[i].initialDir, pickers[i].initialDir) << pickers[i].title;
    }
    // The application picker offers the last pick again, and its folder.
    EXPECT_EQ(dialogs.requests[3].fileName, L"C:\\Icons\\hot.ico");
    EXPECT_EQ(dialogs.requests[3].initialDir, ExecutableFolder() + L"\\Icons");
}

// The real file dialog of the platform, opened and cancelled as a user would.
class RealDialogTest : public MainWindowTest {
protected:
    SystemFileDialog realDialog;
    void SetUp() override { Open(realDialog); }
};

TEST_F(RealDialogTest, CancellingTheRealDialogKeepsTheField) {
    main->SetText(IDC_ApplicationPath, L"C:\\kept.exe");
    std::atomic<bool> found{false};
    std::thread canceller([&found] {
        for (int i = 0; i < 200 && !found; ++i) {
            if (const HWND dialog = FindWindowW(L"#32770", L"Choose your program")) {
                found = true;
                PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
            }
            Sleep(50);
        }
    });
    main->OnPickApplication();  // modal until the other thread cancels
    canceller.join();
    EXPECT_TRUE(found);
    EXPECT_EQ(main->Text(IDC_ApplicationPath), L"C:\\kept.exe");
}

}  // namespace
}  // namespace barsmith
