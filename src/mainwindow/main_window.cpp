#include "mainwindow/main_window.h"

#include <commctrl.h>

#include <algorithm>

#include "model/guid.h"
#include "infoheader/main_window_header.h"
#include "mainwindow/main_layout.h"
#include "resource.h"

namespace barsmith {

MainWindow::MainWindow(FormRegistry& forms, const MainWindowServices& services)
    : Form(forms),
      services_(services),
      header_(services.messages),
      filePicker_(services.fileDialog),
      elevated_(services.elevation.IsElevated()) {}

MainWindow::~MainWindow() = default;

bool MainWindow::Load() {
    const ClassInfo cls = ClassWithIcon(L"BarsmithMain", IDI_BARSMITH);
    const FormStyle style{WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN, 0,
                          kClientWidth, kClientHeight};
    if (!CreateForm(cls, L"Create Custom Internet Explorer Buttons and Menus", style)) return false;
    CreateControls();
    OnLoad();
    return true;
}

void MainWindow::Show(int showCommand) {
    ShowWindow(Hwnd(), showCommand);
    UpdateWindow(Hwnd());
    SetFocus(Control(IDC_ApplicationPath));  // the cursor waits in the first field
}

// The title strip and the toolbar strip, the controls of the table that the window makes itself.
HWND MainWindow::CreateCustomControl(const ControlSpec& spec, HWND parent) {
    if (spec.id == IDC_ToolbarStrip) {
        const HWND strip = strip_.Create(parent, ToPixels(spec.at, CurrentDpi()), spec.id);
        SendMessageW(strip, WM_SETFONT, reinterpret_cast<WPARAM>(Font()), FALSE);
        return strip;
    }
    if (header_.CurrentDpi() != CurrentDpi()) header_.SetDpi(CurrentDpi());  // a screen of its own DPI
    // Restored before the window exists, so that its first blend at full size
    // is already the stored one.
    ReadHeaderProperties();
    header_.Create(parent, ToPixels(spec.at, CurrentDpi()), spec.id);
    return header_.Hwnd();
}

void MainWindow::ReadHeaderProperties() {
    try {
        header_.ReadProperties(MainWindowHeaderProperties(CurrentDpi()));
    } catch (const PropertyTypeError&) {
        // The window goes on with the header as far as it was restored.
    }
}

void MainWindow::OnDpiChanged() {
    header_.SetDpi(CurrentDpi());
    if (ExistingControl(IDC_MyButtonsList)) {
        SetColumnWidths();
        // The icons again at the list's new small size.
        imageOf_.clear();
        SetUpList();
    }
    // The icon is part of the stored set: it is read again at the new size.
    ReadHeaderProperties();
    if (previewIcon_) {
        // The preview's picture again at the picture box's new size, from the
        // icon's own images where the system still knows them.
        const int size = PreviewSize();
        const HANDLE copy = CopyImage(previewIcon_.get(), IMAGE_ICON, size, size, LR_COPYFROMRESOURCE);
        UniqueIcon resized(static_cast<HICON>(copy ? copy : CopyImage(previewIcon_.get(), IMAGE_ICON, size, size, 0)));
        if (resized) {
            SendMessageW(Control(IDC_Preview), STM_SETICON, reinterpret_cast<WPARAM>(resized.get()), 0);
            previewIcon_ = std::move(resized);
        }
    }
}

int MainWindow::PreviewSize() const {
    RECT client{};
    GetClientRect(ExistingControl(IDC_Preview), &client);
    return std::max<int>(1, std::min(client.right, client.bottom));
}

void MainWindow::CreateControls() {
    Form::CreateControls(MainWindowLayout());
    for (const FieldBox& box : FieldBoxes()) {
        const size_t limit = FieldOf(ButtonDefinition(), box.field).maxLength;
        if (limit) SendMessageW(Control(box.box), EM_LIMITTEXT, limit, 0);
    }
    FitCaptions();
    SetKindOfEntry(ButtonDefinition());
    SetStatusDefault();
}

// The My Buttons view is made when it is first shown, and the controls out of
// view when they are first asked for.
void MainWindow::OnGroupMade(const ControlSpec& group) {
    switch (group.id) {
    case IDC_NextGuid: ShowText(IDC_NextGuid, nextGuid_); return;
    case IDC_PreviewedGuid: ShowText(IDC_PreviewedGuid, previewedGuid_); return;
    case IDC_PreviewedIconPath: ShowText(IDC_PreviewedIconPath, previewedIconPath_); return;
    case IDC_HiveFrame:
    case IDC_ButtonVisible: ShowTarget(); return;
    case IDC_MyButtonsFrame: break;
    default: return;
    }
    SetColumnWidths();
    SetUpList();
    EnableWindow(Control(IDC_DeleteSelected), FALSE);
    // The preview shows the program's icon until the first button is previewed.
    previewIcon_.reset(static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_BARSMITH),
                                                     IMAGE_ICON, PreviewSize(), PreviewSize(), 0)));
    SendMessageW(Control(IDC_Preview), STM_SETICON, reinterpret_cast<WPARAM>(previewIcon_.get()), 0);
}

HWND MainWindow::Control(ControlId id) { return ControlById(id); }

std::wstring MainWindow::Text(ControlId id) const { return WindowText(ExistingControl(id)); }

void MainWindow::SetText(ControlId id, const std::wstring& text) { SetWindowTextW(Control(id), text.c_str()); }

void MainWindow::SetStatus(const std::wstring& text, COLORREF color) {
    statusColor_ = color;
    SetText(IDC_Status, text);
    FitLabel(Control(IDC_Status));
    InvalidateRect(Control(IDC_Status), nullptr, TRUE);
}

void MainWindow::SetStatusDefault() { SetStatus(kDefaultStatus, kStatusDefaultColor); }

void MainWindow::SetStatusCreated(const std::wstring& buttonText) {
    SetStatusNews(L"The " + buttonText + L" Button has been created!");
}

void MainWindow::SetStatusNews(const std::wstring& text) { SetStatus(text, kStatusCreatedColor); }

// By the frame's own style: the window itself may not be shown yet.
bool MainWindow::InToolsMenuMode() const {
    return (GetWindowLongW(ExistingControl(IDC_MenuFrame), GWL_STYLE) & WS_VISIBLE) != 0;
}

// --- Handlers ---------------------------------------------------------------

void MainWindow::OnLoad() {
    // The My Buttons list is hidden at start: it is read when that mode is entered.
    OnMakeGuid();
    SetTarget(DefaultHive(), true);
    UpdateStrip();
}

void MainWindow::OnKeyDown(WORD keyCode, WORD /*shift*/) {
    if (keyCode == VK_F1) OnHelp();
}

void MainWindow::OnHelp() {
    // A missing help file, or none associated, is the shell's to report or not.
    services_.shell.Execute(Hwnd(), L"open", ExecutableFolder() + L"\\Barsmith.chm", L"", SW_SHOWNORMAL);
}

void MainWindow::OnSwitchView() {
    if (InToolsMenuMode()) {
        LeaveEditing();
        SetStatusDefault();
        SetText(IDC_SwitchView, L"&Tools Menu");
        ShowWindow(Control(IDC_MenuFrame), SW_HIDE);
        ShowWindow(Control(IDC_MyButtonsFrame), SW_SHOW);
        ShowWindow(Control(IDC_Check), SW_SHOW);
        RefillList();
    } else {
        SetText(IDC_SwitchView, L"&My Buttons");
        ShowWindow(Control(IDC_MenuFrame), SW_SHOW);
        ShowWindow(Control(IDC_MyButtonsFrame), SW_HIDE);
        ShowWindow(Control(IDC_Check), SW_HIDE);
    }
    UpdateStrip();
}

void MainWindow::OnClose() { forms_.UnloadAll(); }

void MainWindow::OnAbout() { about_.ShowModeless(); }

void MainWindow::OnMakeGuid() {
    LeaveEditing();
    SetNextGuid(CreateGUID());
}

void MainWindow::OnPickApplication() {
    if (KindOfEntry().script)
        RunPicker({L"Scripts (*.htm;*.html;*.js;*.vbs;*.wsf)|*.htm;*.html;*.js;*.vbs;*.wsf|All files (*.*)|*.*",
                   L"Choose your script", false, IDC_ApplicationPath});
    else
        RunPicker({L"Executables (*.exe)|*.exe", L"Choose your program", false, IDC_ApplicationPath});
}

void MainWindow::OnPickIcon() { RunPicker({L"Icons (*.ico)|*.ico", L"Choose your default icon", true, IDC_IconPath}); }

void MainWindow::OnPickHotIcon() {
    RunPicker({L"Icons (*.ico)|*.ico", L"Choose your hot icon", true, IDC_HotIconPath});
}

void MainWindow::RunPicker(const Picker& picker) {
    SetStatusDefault();
    filePicker_.Filter = picker.filter;
    filePicker_.DialogTitle = picker.title;
    if (picker.startInIcons) filePicker_.InitDir = ExecutableFolder() + L"\\Icons";
    // A cancelled or failed dialog ends the picker quietly.
    if (const std::optional<std::wstring> chosen = filePicker_.Open(Hwnd())) SetText(picker.target, *chosen);
}

// --- Messages ---------------------------------------------------------------

// The list's notifications, the commands of its shortcut menu and the GUID
// field's changes; clicks on the window's buttons go to the handlers named in
// its table.
void MainWindow::OnCommand(int id, int code, HWND control) {
    if (id == IDC_NextGuid && code == EN_CHANGE) {
        // Typed, or set from nextGuid_ (which then comes back unchanged).
        nextGuid_ = WindowText(control);
        return;
    }
    if (code == EN_CHANGE && (id == IDC_IconPath || id == IDC_HotIconPath || id == IDC_ButtonText)) {
        UpdateStrip();
        return;
    }
    switch (id) {
    // The dialog manager takes Enter from the list, which has no default button, and tells it as IDOK.
    case IDOK:
        if (GetFocus() == ExistingControl(IDC_MyButtonsList)) OnEditSelected();
        break;
    case IDM_Edit: OnEditSelected(); break;
    case IDM_Export: OnExportSelected(); break;
    case IDM_Delete: OnDeleteSelected(); break;
    case IDM_Check: OnCheckSelected(); break;
    default: break;
    }
}

void MainWindow::ReportUnexpected(const std::wstring& text) {
    services_.messages.Show(Hwnd(), text, kAppTitle, MB_OK | MB_ICONERROR);
}

COLORREF MainWindow::LabelTextColor(HWND label) const {
    return label == ExistingControl(IDC_Status) ? statusColor_ : Form::LabelTextColor(label);
}

}  // namespace barsmith
