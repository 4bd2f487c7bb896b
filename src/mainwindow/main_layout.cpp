#include "mainwindow/main_layout.h"

namespace barsmith {
namespace {

using K = ControlKind;

constexpr ControlSpec kLayout[] = {
    // The title strip takes no focus, so it stays out of the tab order.
    {IDC_InfoHeader1, K::Custom, kOnForm, L"", nullptr, {0, 0, 7395, 615}, kNoTabStop},
    {IDC_FraButton, K::Frame, kOnForm, L"IE Toolbar Button", nullptr, {120, 720, 7095, 1935}, 21},
    {IDC_Label1, K::Label, IDC_FraButton, L"Application", nullptr, {240, 420, 780, 195}, 25},
    {IDC_Text2, K::TextBox, IDC_FraButton, L"", nullptr, {1560, 360, 4935, 315}, 4},
    {IDC_cmdApp, K::Button, IDC_FraButton, L"&A", L"Select an Application", {6600, 360, 315, 315}, 1,
     Click<&frmMain::cmdApp_Click>},
    {IDC_Label2, K::Label, IDC_FraButton, L"Default Icon", nullptr, {240, 780, 870, 195}, 24},
    {IDC_Text3, K::TextBox, IDC_FraButton, L"", nullptr, {1560, 720, 4935, 315}, 5},
    {IDC_Command3, K::Button, IDC_FraButton, L"&D", L"Select the Default Icon", {6600, 720, 315, 315}, 2,
     Click<&frmMain::Command3_Click>},
    {IDC_Label4, K::Label, IDC_FraButton, L"Hot Icon", nullptr, {240, 1140, 615, 195}, 22},
    {IDC_Text5, K::TextBox, IDC_FraButton, L"", nullptr, {1560, 1080, 4935, 315}, 6},
    {IDC_Command4, K::Button, IDC_FraButton, L"&H", L"Select the Hot Icon (Optional) ", {6600, 1080, 315, 315}, 3,
     Click<&frmMain::Command4_Click>},
    {IDC_Label3, K::Label, IDC_FraButton, L"Button Text", nullptr, {240, 1500, 825, 195}, 23},
    {IDC_Text4, K::TextBox, IDC_FraButton, L"", nullptr, {1560, 1440, 4935, 315}, 7},
    {IDC_lblMessage, K::Label, kOnForm, L"", nullptr, {120, 2740, 7095, 225}, 37},
    {IDC_FraMenu, K::Frame, kOnForm, L"Tools Menu", nullptr, {120, 2960, 7095, 1575}, 26},
    {IDC_Label5, K::Label, IDC_FraMenu, L"Menu Text", nullptr, {240, 420, 765, 195}, 29},
    {IDC_Text6, K::TextBox, IDC_FraMenu, L"", nullptr, {1560, 360, 4935, 315}, 8},
    {IDC_Label6, K::Label, IDC_FraMenu, L"Status Bar Text", nullptr, {240, 780, 1095, 195}, 28},
    {IDC_Text7, K::TextBox, IDC_FraMenu, L"", nullptr, {1560, 720, 4935, 315}, 9},
    {IDC_Label7, K::Label, IDC_FraMenu, L"Tool Tip", nullptr, {240, 1140, 585, 195}, 27},
    {IDC_Text8, K::TextBox, IDC_FraMenu, L"", nullptr, {1560, 1080, 4935, 315}, 10},
    // Shown instead of the Tools Menu frame, in the My Buttons view.
    {IDC_FraMine, K::Frame, kOnForm, L"My Buttons", nullptr, {120, 2960, 7095, 1575}, 30, nullptr, kHiddenAtStart},
    {IDC_List1, K::ListBox, IDC_FraMine, L"", nullptr, {240, 360, 4335, 1035}, 31},
    {IDC_Command5, K::Button, IDC_FraMine, L"&Delete Selected", nullptr, {5160, 360, 1455, 375}, 32,
     Click<&frmMain::Command5_Click>},
    {IDC_Picture1, K::Icon, IDC_FraMine, L"", nullptr, {5640, 920, 480, 480}, 36},
    {IDC_cmdAbout, K::Button, kOnForm, L"Abo&ut", nullptr, {120, 4640, 1335, 375}, 13, Click<&frmMain::cmdAbout_Click>},
    {IDC_cmdHelp, K::Button, kOnForm, L"H&elp", nullptr, {1560, 4640, 1335, 375}, 14, Click<&frmMain::cmdHelp_Click>},
    {IDC_cmdMyKeys, K::Button, kOnForm, L"&My Buttons", nullptr, {3000, 4640, 1335, 375}, 15,
     Click<&frmMain::cmdMyKeys_Click>},
    {IDC_Command2, K::Button, kOnForm, L"Create &Button", nullptr, {4440, 4640, 1335, 375}, 16,
     Click<&frmMain::Command2_Click>},
    {IDC_cmdClose, K::Button, kOnForm, L"&Close", nullptr, {5880, 4640, 1335, 375}, 17,
     Click<&frmMain::cmdClose_Click>},
    // Out of view.
    {IDC_Label8, K::Label, kOnForm, L"", nullptr, {360, 6360, 6735, 255}, 33},
    {IDC_Text1, K::TextBox, kOnForm, L"", nullptr, {960, 6480, 4935, 315}, 18},
    {IDC_lblPath, K::Label, kOnForm, L"", nullptr, {360, 6840, 6735, 255}, 35},
    {IDC_Frame1, K::Frame, kOnForm, L"Options", nullptr, {120, 7200, 7095, 615}, 19},
    {IDC_Option1, K::Option, IDC_Frame1, L"Create Button for current user only", nullptr, {360, 260, 3135, 255}, 11},
    {IDC_Option2, K::Option, IDC_Frame1, L"Create Button for all users", nullptr, {4200, 240, 2655, 255}, 12},
    {IDC_Check1, K::CheckBox, kOnForm, L"Button visible", nullptr, {240, 7680, 1695, 255}, 34},
    {IDC_Command1, K::Button, kOnForm, L"Make GUID", nullptr, {360, 8040, 1455, 375}, 0,
     Click<&frmMain::Command1_Click>},
};

}  // namespace

std::span<const ControlSpec> MainWindowLayout() { return kLayout; }

}  // namespace barsmith
