#include "mainwindow/main_layout.h"

namespace barsmith {
namespace {

using K = ControlKind;

constexpr int Edits(FieldId field) { return static_cast<int>(field); }

constexpr ControlSpec kLayout[] = {
    // The title strip takes no focus, so it stays out of the tab order.
    {IDC_Header, K::Custom, kOnForm, L"", nullptr, {0, 0, 7395, 615}, kNoTabStop},
    {IDC_ButtonFrame, K::Frame, kOnForm, L"IE Toolbar Button", nullptr, {120, 720, 7095, 1935}, 21},
    {IDC_ApplicationLabel, K::Label, IDC_ButtonFrame, L"Application", nullptr, {240, 420, 780, 195}, 25},
    {IDC_ApplicationPath, K::TextBox, IDC_ButtonFrame, L"", nullptr, {1560, 360, 4935, 315}, 4, nullptr, false,
     Edits(FieldId::Path)},
    {IDC_PickApplication, K::Button, IDC_ButtonFrame, L"&A", L"Select an Application", {6600, 360, 315, 315}, 1,
     Click<&MainWindow::OnPickApplication>},
    {IDC_IconLabel, K::Label, IDC_ButtonFrame, L"Default Icon", nullptr, {240, 780, 870, 195}, 24},
    {IDC_IconPath, K::TextBox, IDC_ButtonFrame, L"", nullptr, {1560, 720, 4935, 315}, 5, nullptr, false,
     Edits(FieldId::Icon)},
    {IDC_PickIcon, K::Button, IDC_ButtonFrame, L"&D", L"Select the Default Icon", {6600, 720, 315, 315}, 2,
     Click<&MainWindow::OnPickIcon>},
    {IDC_HotIconLabel, K::Label, IDC_ButtonFrame, L"Hot Icon", nullptr, {240, 1140, 615, 195}, 22},
    {IDC_HotIconPath, K::TextBox, IDC_ButtonFrame, L"", nullptr, {1560, 1080, 4935, 315}, 6, nullptr, false,
     Edits(FieldId::HotIcon)},
    {IDC_PickHotIcon, K::Button, IDC_ButtonFrame, L"&H", L"Select the Hot Icon (Optional) ", {6600, 1080, 315, 315}, 3,
     Click<&MainWindow::OnPickHotIcon>},
    {IDC_ButtonTextLabel, K::Label, IDC_ButtonFrame, L"Button Text", nullptr, {240, 1500, 825, 195}, 23},
    {IDC_ButtonText, K::TextBox, IDC_ButtonFrame, L"", nullptr, {1560, 1440, 4935, 315}, 7, nullptr, false,
     Edits(FieldId::ButtonText)},
    {IDC_Status, K::Label, kOnForm, L"", nullptr, {120, 2740, 7095, 225}, 37},
    {IDC_MenuFrame, K::Frame, kOnForm, L"Tools Menu", nullptr, {120, 2960, 7095, 1575}, 26},
    {IDC_MenuTextLabel, K::Label, IDC_MenuFrame, L"Menu Text", nullptr, {240, 420, 765, 195}, 29},
    {IDC_MenuText, K::TextBox, IDC_MenuFrame, L"", nullptr, {1560, 360, 4935, 315}, 8, nullptr, false,
     Edits(FieldId::MenuText)},
    {IDC_StatusBarTextLabel, K::Label, IDC_MenuFrame, L"Status Bar Text", nullptr, {240, 780, 1095, 195}, 28},
    {IDC_StatusBarText, K::TextBox, IDC_MenuFrame, L"", nullptr, {1560, 720, 4935, 315}, 9, nullptr, false,
     Edits(FieldId::StatusBarText)},
    {IDC_ToolTipLabel, K::Label, IDC_MenuFrame, L"Tool Tip", nullptr, {240, 1140, 585, 195}, 27},
    {IDC_ToolTip, K::TextBox, IDC_MenuFrame, L"", nullptr, {1560, 1080, 4935, 315}, 10, nullptr, false,
     Edits(FieldId::ToolTip)},
    // Shown instead of the Tools Menu frame, in the My Buttons view.
    {IDC_MyButtonsFrame, K::Frame, kOnForm, L"My Buttons", nullptr, {120, 2960, 7095, 1575}, 30, nullptr,
     kHiddenAtStart},
    {IDC_MyButtonsList, K::ListBox, IDC_MyButtonsFrame, L"", nullptr, {240, 360, 4335, 1035}, 31},
    {IDC_DeleteSelected, K::Button, IDC_MyButtonsFrame, L"&Delete Selected", nullptr, {5160, 360, 1455, 375}, 32,
     Click<&MainWindow::OnDeleteSelected>},
    {IDC_Preview, K::Icon, IDC_MyButtonsFrame, L"", nullptr, {5640, 920, 480, 480}, 36},
    {IDC_About, K::Button, kOnForm, L"Abo&ut", nullptr, {120, 4640, 1335, 375}, 13, Click<&MainWindow::OnAbout>},
    {IDC_Help, K::Button, kOnForm, L"H&elp", nullptr, {1560, 4640, 1335, 375}, 14, Click<&MainWindow::OnHelp>},
    {IDC_SwitchView, K::Button, kOnForm, L"&My Buttons", nullptr, {3000, 4640, 1335, 375}, 15,
     Click<&MainWindow::OnSwitchView>},
    {IDC_CreateButton, K::Button, kOnForm, L"Create &Button", nullptr, {4440, 4640, 1335, 375}, 16,
     Click<&MainWindow::OnCreateButton>},
    {IDC_Close, K::Button, kOnForm, L"&Close", nullptr, {5880, 4640, 1335, 375}, 17, Click<&MainWindow::OnClose>},
    // Out of view.
    {IDC_PreviewedGuid, K::Label, kOnForm, L"", nullptr, {360, 6360, 6735, 255}, 33},
    {IDC_NextGuid, K::TextBox, kOnForm, L"", nullptr, {960, 6480, 4935, 315}, 18},
    {IDC_PreviewedIconPath, K::Label, kOnForm, L"", nullptr, {360, 6840, 6735, 255}, 35},
    {IDC_HiveFrame, K::Frame, kOnForm, L"Options", nullptr, {120, 7200, 7095, 615}, 19},
    {IDC_CurrentUserOnly, K::Option, IDC_HiveFrame, L"Create Button for current user only", nullptr,
     {360, 260, 3135, 255}, 11, Click<&MainWindow::OnChooseHive>},
    {IDC_AllUsers, K::Option, IDC_HiveFrame, L"Create Button for all users", nullptr, {4200, 240, 2655, 255}, 12,
     Click<&MainWindow::OnChooseHive>},
    {IDC_ButtonVisible, K::CheckBox, kOnForm, L"Button visible", nullptr, {240, 7680, 1695, 255}, 34,
     Click<&MainWindow::OnChooseVisibility>},
    {IDC_MakeGuid, K::Button, kOnForm, L"Make GUID", nullptr, {360, 8040, 1455, 375}, 0,
     Click<&MainWindow::OnMakeGuid>},
};

}  // namespace

std::span<const ControlSpec> MainWindowLayout() { return kLayout; }

std::vector<FieldBox> FieldBoxes() {
    std::vector<FieldBox> boxes;
    for (const ControlSpec& spec : kLayout) {
        if (spec.binding != kUnbound) boxes.push_back({static_cast<ControlId>(spec.id), static_cast<FieldId>(spec.binding)});
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
