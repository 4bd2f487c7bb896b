#include "mainwindow/frmMain.h"

#include <commctrl.h>

#include <algorithm>

#include "extensions/guid.h"
#include "infoheader/main_window_header.h"
#include "mainwindow/main_layout.h"
#include "resource.h"

namespace barsmith {

frmMain::frmMain(FormRegistry& forms, const MainWindowServices& services)
    : Form(forms),
      services_(services),
      InfoHeader1(services.messages),
      cdlg(services.fileDialog) {}

frmMain::~frmMain() = default;

bool frmMain::Load() {
    const ClassInfo cls = ClassWithIcon(L"BarsmithMain", IDI_BARSMITH);
    const FormStyle style{WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN, 0,
                          kClientWidth, kClientHeight};
    if (!CreateForm(cls, L"Create Custom Internet Explorer Buttons and Menus", style)) return false;
    CreateControls();
    Form_Load();
    return true;
}

void frmMain::Show(int showCommand) {
    ShowWindow(Hwnd(), showCommand);
    UpdateWindow(Hwnd());
    SetFocus(Control(IDC_Text2));  // the cursor waits in the first field
}

// The title strip, the one control of the table that the window makes itself.
HWND frmMain::CreateCustomControl(const ControlSpec& spec, HWND parent) {
    if (InfoHeader1.CurrentDpi() != CurrentDpi()) InfoHeader1.SetDpi(CurrentDpi());  // a screen of its own DPI
    // Restored before the window exists, so that its first blend at full size
    // is already the stored one.
    ReadHeaderProperties();
    InfoHeader1.Create(parent, ToPixels(spec.at, CurrentDpi()), spec.id);
    return InfoHeader1.Hwnd();
}

void frmMain::ReadHeaderProperties() {
    try {
        InfoHeader1.UserControl_ReadProperties(MainWindowHeaderProperties(CurrentDpi()));
    } catch (const PropertyTypeError&) {
        // The window goes on with the header as far as it was restored.
    }
}

void frmMain::OnDpiChanged() {
    InfoHeader1.SetDpi(CurrentDpi());
    // The icon is part of the stored set: it is read again at the new size.
    ReadHeaderProperties();
    if (pictureIcon_) {
        // The preview's picture again at the picture box's new size, from the
        // icon's own images where the system still knows them.
        const int size = PreviewSize();
        const HANDLE copy = CopyImage(pictureIcon_.get(), IMAGE_ICON, size, size, LR_COPYFROMRESOURCE);
        UniqueIcon resized(static_cast<HICON>(copy ? copy : CopyImage(pictureIcon_.get(), IMAGE_ICON, size, size, 0)));
        if (resized) {
            SendMessageW(Control(IDC_Picture1), STM_SETICON, reinterpret_cast<WPARAM>(resized.get()), 0);
            pictureIcon_ = std::move(resized);
        }
    }
}

int frmMain::PreviewSize() const {
    RECT client{};
    GetClientRect(Control(IDC_Picture1), &client);
    return std::max<int>(1, std::min(client.right, client.bottom));
}

void frmMain::CreateControls() {
    Form::CreateControls(MainWindowLayout());
    SendMessageW(Control(IDC_Text4), EM_LIMITTEXT, kButtonTextMaxLength, 0);
    SetTarget(HKEY_LOCAL_MACHINE, true);
    FitCaptions();
    SetStatusDefault();
}

// The My Buttons view is made when it is first shown (or asked for).
void frmMain::OnGroupMade(const ControlSpec& group) {
    if (group.id != IDC_FraMine) return;
    EnableWindow(Control(IDC_Command5), FALSE);
    // The preview shows the program's icon until the first button is previewed.
    pictureIcon_.reset(static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_BARSMITH),
                                                     IMAGE_ICON, PreviewSize(), PreviewSize(), 0)));
    SendMessageW(Control(IDC_Picture1), STM_SETICON, reinterpret_cast<WPARAM>(pictureIcon_.get()), 0);
}

HWND frmMain::Control(ControlId id) const { return ControlById(id); }

std::wstring frmMain::Text(ControlId id) const { return WindowText(Control(id)); }

void frmMain::SetText(ControlId id, const std::wstring& text) const { SetWindowTextW(Control(id), text.c_str()); }

void frmMain::SetStatusDefault() {
    statusColor_ = kStatusDefaultColor;
    SetText(IDC_lblMessage, kDefaultStatus);
    FitLabel(Control(IDC_lblMessage));
    InvalidateRect(Control(IDC_lblMessage), nullptr, TRUE);
}

void frmMain::SetStatusCreated(const std::wstring& buttonText) {
    SetStatusNews(L"The " + buttonText + L" Button has been created!");
}

void frmMain::SetStatusNews(const std::wstring& text) {
    statusColor_ = kStatusCreatedColor;
    SetText(IDC_lblMessage, text);
    FitLabel(Control(IDC_lblMessage));
    InvalidateRect(Control(IDC_lblMessage), nullptr, TRUE);
}

bool frmMain::InToolsMenuMode() const { return IsWindowVisible(Control(IDC_FraMenu)) != FALSE; }

// --- Handlers ---------------------------------------------------------------

void frmMain::Form_Load() {
    // The My Buttons list is hidden at start: it is read when that mode is entered.
    Command1_Click();
}

void frmMain::Form_KeyDown(WORD keyCode, WORD /*shift*/) {
    if (keyCode == VK_F1) cmdHelp_Click();
    if (keyCode == VK_RETURN && GetFocus() == Control(IDC_List1)) List1_DblClick();
}

void frmMain::cmdHelp_Click() {
    // A missing help file, or none associated, is the shell's to report or not.
    services_.shell.Execute(Hwnd(), L"open", ExecutableFolder() + L"\\Barsmith.chm", L"", SW_SHOWNORMAL);
}

void frmMain::cmdMyKeys_Click() {
    if (InToolsMenuMode()) {
        LeaveEditing();
        SetStatusDefault();
        SetText(IDC_cmdMyKeys, L"&Tools Menu");
        ShowWindow(Control(IDC_FraMenu), SW_HIDE);
        ShowWindow(Control(IDC_FraMine), SW_SHOW);
        RefillList();
    } else {
        SetText(IDC_cmdMyKeys, L"&My Buttons");
        ShowWindow(Control(IDC_FraMenu), SW_SHOW);
        ShowWindow(Control(IDC_FraMine), SW_HIDE);
    }
}

void frmMain::cmdClose_Click() { forms_.UnloadAll(); }

void frmMain::cmdAbout_Click() { about_.ShowModeless(); }

void frmMain::Command1_Click() {
    LeaveEditing();
    SetNextGuid(CreateGUID());
}

void frmMain::cmdApp_Click() { RunPicker({L"Executables (*.exe)|*.exe", L"Choose your program", false, IDC_Text2}); }

void frmMain::Command3_Click() { RunPicker({L"Icons (*.ico)|*.ico", L"Choose your default icon", true, IDC_Text3}); }

void frmMain::Command4_Click() { RunPicker({L"Icons (*.ico)|*.ico", L"Choose your hot icon", true, IDC_Text5}); }

void frmMain::RunPicker(const Picker& picker) {
    // A cancelled or failed dialog ends the picker quietly.
    try {
        SetStatusDefault();
        cdlg.CancelError = true;
        cdlg.Filter = picker.filter;
        cdlg.DialogTitle = picker.title;
        if (picker.startInIcons) cdlg.InitDir = ExecutableFolder() + L"\\Icons";
        cdlg.ShowOpen(Hwnd());
        SetText(picker.target, cdlg.FileName);
    } catch (const DialogCancelled&) {
    }
}

// --- Messages ---------------------------------------------------------------

// The list's notifications and the commands of its shortcut menu; clicks on
// the window's buttons go to the handlers named in its table.
void frmMain::OnCommand(int id, int code, HWND /*control*/) {
    if (id == IDC_List1) {
        if (code == LBN_SELCHANGE) List1_Click();
        if (code == LBN_DBLCLK) List1_DblClick();
        return;
    }
    switch (id) {
    case IDM_Edit: mnuEdit_Click(); break;
    case IDM_Export: mnuExport_Click(); break;
    case IDM_Delete: mnuDelete_Click(); break;
    default: break;
    }
}

void frmMain::ReportUnexpected(const std::wstring& text) {
    services_.messages.Show(Hwnd(), text, kAppTitle, MB_OK | MB_ICONERROR);
}

COLORREF frmMain::LabelTextColor(HWND label) const {
    return label == Control(IDC_lblMessage) ? statusColor_ : Form::LabelTextColor(label);
}

}  // namespace barsmith
