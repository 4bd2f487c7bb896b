#include "mainwindow/main_layout.h"

namespace barsmith {
namespace {

using K = ControlKind;
using F = FieldId;

// The field a label, a text box or a picker belongs to.
constexpr int Of(FieldId field) { return static_cast<int>(field); }

// Tab indexes go in tens, so that controls can go between.
constexpr ControlSpec kLayout[] = {
    // The title strip takes no focus, so it stays out of the tab order.
    {IDC_Header, K::Custom, kOnForm, L"", nullptr, {0, 0, kClientWidth + 75, 615}, kNoTabStop},
    {IDC_ButtonFrame, K::Frame, kOnForm, L"IE Toolbar Button", nullptr, {120, 720, 7095, 1935}, 210},
    {IDC_ApplicationLabel, K::Label, IDC_ButtonFrame, L"Application", nullptr, {240, 420, 780, 195}, 250, nullptr,
     false, Of(F::Path)},
    {IDC_ApplicationPath, K::TextBox, IDC_ButtonFrame, L"", nullptr, {1560, 360, 4935, 315}, 40, nullptr, false,
     Of(F::Path)},
    {IDC_PickApplication, K::Button, IDC_ButtonFrame, L"&A", L"Select an Application", {6600, 360, 315, 315}, 10,
     Click<&MainWindow::OnPickApplication>, false, Of(F::Path)},
    {IDC_IconLabel, K::Label, IDC_ButtonFrame, L"Default Icon", nullptr, {240, 780, 870, 195}, 240, nullptr, false,
     Of(F::Icon)},
    {IDC_IconPath, K::TextBox, IDC_ButtonFrame, L"", nullptr, {1560, 720, 4935, 315}, 50, nullptr, false,
     Of(F::Icon)},
    {IDC_PickIcon, K::Button, IDC_ButtonFrame, L"&D", L"Select the Default Icon", {6600, 720, 315, 315}, 20,
     Click<&MainWindow::OnPickIcon>, false, Of(F::Icon)},
    {IDC_HotIconLabel, K::Label, IDC_ButtonFrame, L"Hot Icon", nullptr, {240, 1140, 615, 195}, 220, nullptr, false,
     Of(F::HotIcon)},
    {IDC_HotIconPath, K::TextBox, IDC_ButtonFrame, L"", nullptr, {1560, 1080, 4935, 315}, 60, nullptr, false,
     Of(F::HotIcon)},
    {IDC_PickHotIcon, K::Button, IDC_ButtonFrame, L"&H", L"Select the Hot Icon (Optional) ", {6600, 1080, 315, 315},
     30, Click<&MainWindow::OnPickHotIcon>, false, Of(F::HotIcon)},
    {IDC_ButtonTextLabel, K::Label, IDC_ButtonFrame, L"Button Text", nullptr, {240, 1500, 825, 195}, 230, nullptr,
     false, Of(F::ButtonText)},
    {IDC_ButtonText, K::TextBox, IDC_ButtonFrame, L"", nullptr, {1560, 1440, 4935, 315}, 70, nullptr, false,
     Of(F::ButtonText)},
    {IDC_Status, K::Label, kOnForm, L"", nullptr, {120, 2740, 7095, 225}, 370},
    {IDC_MenuFrame, K::Frame, kOnForm, L"Tools Menu", nullptr, {120, 2960, 7095, 1575}, 260},
    {IDC_MenuTextLabel, K::Label, IDC_MenuFrame, L"Menu Text", nullptr, {240, 420, 765, 195}, 290, nullptr, false,
     Of(F::MenuText)},
    {IDC_MenuText, K::TextBox, IDC_MenuFrame, L"", nullptr, {1560, 360, 4935, 315}, 80, nullptr, false,
     Of(F::MenuText)},
    {IDC_StatusBarTextLabel, K::Label, IDC_MenuFrame, L"Status Bar Text", nullptr, {240, 780, 1095, 195}, 280,
     nullptr, false, Of(F::StatusBarText)},
    {IDC_StatusBarText, K::TextBox, IDC_MenuFrame, L"", nullptr, {1560, 720, 4935, 315}, 90, nullptr, false,
     Of(F::StatusBarText)},
    {IDC_ToolTipLabel, K::Label, IDC_MenuFrame, L"Tool Tip", nullptr, {240, 1140, 585, 195}, 270, nullptr, false,
     Of(F::ToolTip)},
    {IDC_ToolTip, K::TextBox, IDC_MenuFrame, L"", nullptr, {1560, 1080, 4935, 315}, 100, nullptr, false,
     Of(F::ToolTip)},
    // What the entry is, beside both views: a program or a script, a toolbar
    // button or a menu item only, in the Tools or the Help menu; and icons
    // picked from inside programs.
    {IDC_EntryFrame, K::Frame, kOnForm, L"Entry", nullptr, {7320, 720, kRightColumnWidth, 2835}, 375},
    {IDC_RunsProgram, K::Option, IDC_EntryFrame, L"Starts a &program", nullptr, {240, 360, 2055, 255}, 101,
     Click<&MainWindow::OnChooseKind>},
    {IDC_RunsScript, K::Option, IDC_EntryFrame, L"Runs a &script", nullptr, {240, 660, 2055, 255}, 102,
     Click<&MainWindow::OnChooseKind>},
    {IDC_MenuOnly, K::CheckBox, IDC_EntryFrame, L"Menu item &only", L"A menu item with no toolbar button",
     {240, 1080, 2055, 255}, 103, Click<&MainWindow::OnChooseKind>},
    {IDC_HelpMenu, K::CheckBox, IDC_EntryFrame, L"In the He&lp menu", L"In the browser's Help menu, not its Tools menu",
     {240, 1380, 2055, 255}, 104, Click<&MainWindow::OnChooseKind>},
    {IDC_ChangeIcon, K::Button, IDC_EntryFrame, L"Change &Icon...", L"Pick the Default Icon inside a program or DLL",
     {240, 1860, 1935, 375}, 105, Click<&MainWindow::OnChangeIcon>, false, Of(F::Icon)},
    {IDC_ChangeHotIcon, K::Button, IDC_EntryFrame, L"Change Hot Ico&n...", L"Pick the Hot Icon inside a program or DLL",
     {240, 2340, 1935, 375}, 106, Click<&MainWindow::OnChangeHotIcon>, false, Of(F::HotIcon)},
    // Shown instead of the Tools Menu frame, in the My Buttons view.
    {IDC_MyButtonsFrame, K::Frame, kOnForm, L"My Buttons", nullptr, {120, 2960, 7095, 1575}, 300, nullptr,
     kHiddenAtStart},
    {IDC_MyButtonsList, K::ListView, IDC_MyButtonsFrame, L"", nullptr, {240, 300, 5175, 1155}, 310},
    // No access key: Alt+D is the Default Icon picker's, and the dialog
    // manager would press whichever of two comes next after the focus.
    {IDC_DeleteSelected, K::Button, IDC_MyButtonsFrame, L"Delete Selected", nullptr, {5520, 300, 1455, 375}, 320,
     Click<&MainWindow::OnDeleteSelected>},
    {IDC_Preview, K::Icon, IDC_MyButtonsFrame, L"", nullptr, {6000, 840, 480, 480}, 360},
    // Beside the command row, in the My Buttons view only.
    {IDC_Check, K::Button, kOnForm, L"Chec&k My Buttons...", L"Check the buttons and My Buttons, and repair them",
     {7320, kCommandRowTop, kRightColumnWidth, 375}, 175, Click<&MainWindow::OnCheck>, kHiddenAtStart},
    {IDC_About, K::Button, kOnForm, L"Abo&ut", nullptr, {120, kCommandRowTop, 1335, 375}, 130,
     Click<&MainWindow::OnAbout>},
    {IDC_Help, K::Button, kOnForm, L"H&elp", nullptr, {1560, kCommandRowTop, 1335, 375}, 140,
     Click<&MainWindow::OnHelp>},
    {IDC_SwitchView, K::Button, kOnForm, L"&My Buttons", nullptr, {3000, kCommandRowTop, 1335, 375}, 150,
     Click<&MainWindow::OnSwitchView>},
    {IDC_CreateButton, K::Button, kOnForm, L"Create &Button", nullptr, {4440, kCommandRowTop, 1335, 375}, 160,
     Click<&MainWindow::OnCreateButton>},
    {IDC_Close, K::Button, kOnForm, L"&Close", nullptr, {5880, kCommandRowTop, 1335, 375}, 170,
     Click<&MainWindow::OnClose>},
    // Who the button is for and whether it shows at first, in both views. The
    // options sit in a frame of their own, which bounds their group.
    {IDC_HiveFrame, K::Frame, kOnForm, L"For", nullptr, {120, 4640, 7095, 915}, 190},
    {IDC_AllUsers, K::Option, IDC_HiveFrame, L"For e&veryone on this computer", nullptr, {240, 300, 3255, 255}, 110,
     Click<&MainWindow::OnChooseHive>},
    {IDC_CurrentUserOnly, K::Option, IDC_HiveFrame, L"Only fo&r me", nullptr, {3600, 300, 3255, 255}, 111,
     Click<&MainWindow::OnChooseHive>},
    {IDC_ButtonVisible, K::CheckBox, IDC_HiveFrame, L"Show on the toolbar at &first",
     L"The browser's \"Default Visible\": whether the button is on the toolbar before the user adds it",
     {240, 600, 3255, 255}, 112, Click<&MainWindow::OnChooseVisibility>},
    // The button as the browser's toolbar draws it, in both views.
    {IDC_ToolbarFrame, K::Frame, kOnForm, L"On the toolbar", nullptr, {7320, 3660, kRightColumnWidth, 1895}, 380},
    {IDC_ToolbarStrip, K::Custom, IDC_ToolbarFrame, L"", nullptr, {120, 300, kRightColumnWidth - 240, 1475},
     kNoTabStop},
    // Out of view.
    {IDC_PreviewedGuid, K::Label, kOnForm, L"", nullptr, {360, 6360, 6735, 255}, 330},
    {IDC_NextGuid, K::TextBox, kOnForm, L"", nullptr, {960, 6480, 4935, 315}, 180},
    {IDC_PreviewedIconPath, K::Label, kOnForm, L"", nullptr, {360, 6840, 6735, 255}, 350},
    {IDC_MakeGuid, K::Button, kOnForm, L"Make GUID", nullptr, {360, 8040, 1455, 375}, 0,
     Click<&MainWindow::OnMakeGuid>},
};

}  // namespace

std::span<const ControlSpec> MainWindowLayout() { return kLayout; }

std::vector<FieldBox> FieldBoxes() {
    std::vector<FieldBox> boxes;
    for (const ControlSpec& spec : kLayout) {
        if (spec.kind == K::TextBox && spec.binding != kUnbound)
            boxes.push_back({static_cast<ControlId>(spec.id), static_cast<FieldId>(spec.binding)});
    }
    return boxes;
}

ControlId BoxOf(FieldId field) {
    for (const FieldBox& box : FieldBoxes()) {
        if (box.field == field) return box.box;
    }
    return IDC_ButtonText;  // every field has its box
}

}  // namespace barsmith
