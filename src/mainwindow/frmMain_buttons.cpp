// The handlers that create, list, preview and delete buttons. The decisions
// and the registry work are ToolbarButtons'; these only read and set controls.
#include "mainwindow/frmMain.h"

#include <commctrl.h>

#include "extensions/guid.h"
#include "extensions/picture_file.h"
#include "extensions/toolbar_buttons.h"

namespace barsmith {
namespace {

BOOL CALLBACK ClearIfTextBox(HWND control, LPARAM) {
    wchar_t className[16]{};
    GetClassNameW(control, className, 16);
    if (lstrcmpiW(className, WC_EDITW) == 0) SetWindowTextW(control, L"");
    return TRUE;
}

// Empties every text box of the form, those inside frames included, and
// leaves all other controls alone.
void ClearTextBoxes(const Form& form) { EnumChildWindows(form.Hwnd(), ClearIfTextBox, 0); }

bool IsChecked(HWND button) { return SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }

// The entry as a file name: characters that no file name may hold become "_".
std::wstring FileNameFor(std::wstring entry) {
    for (wchar_t& c : entry) {
        if (c < L' ' || wcschr(L"\\/:*?\"<>|", c)) c = L'_';
    }
    return entry;
}

ButtonDefinition ButtonFromForm(const frmMain& form) {
    ButtonDefinition button{form.NextGuid(),      form.Text(IDC_Text2), form.Text(IDC_Text3), form.Text(IDC_Text5),
                            form.Text(IDC_Text4), form.Text(IDC_Text6), form.Text(IDC_Text7), form.Text(IDC_Text8)};
    button.defaultVisible = form.ButtonVisible();
    button.rootKey = form.TargetHive();
    return button;
}

ControlId TextBoxOf(RequiredField field) {
    switch (field) {
    case RequiredField::ButtonText: return IDC_Text4;
    case RequiredField::MenuText: return IDC_Text6;
    case RequiredField::StatusBarText: return IDC_Text7;
    default: return IDC_Text8;
    }
}

// Puts `icon` into the picture box and keeps it in `shown`; the icon shown
// before is destroyed only once the control has let go of it.
void ShowIcon(HWND picture, UniqueIcon& shown, UniqueIcon icon) {
    SendMessageW(picture, STM_SETICON, reinterpret_cast<WPARAM>(icon.get()), 0);
    shown = std::move(icon);
    InvalidateRect(picture, nullptr, TRUE);
}

}  // namespace

ToolbarButtons frmMain::Buttons() const { return ToolbarButtons(services_.registry, catalogue_, services_.messages, Hwnd()); }

HKEY frmMain::TargetHive() const { return RootKeyFor(IsChecked(Control(IDC_Option1))); }

// Only an unticked box hides the button; a greyed one counts as ticked.
bool frmMain::ButtonVisible() const {
    return SendMessageW(Control(IDC_Check1), BM_GETCHECK, 0, 0) != BST_UNCHECKED;
}

void frmMain::SetTarget(HKEY hive, bool visible) const {
    const bool user = hive == HKEY_CURRENT_USER;
    SendMessageW(Control(IDC_Option1), BM_SETCHECK, user ? BST_CHECKED : BST_UNCHECKED, 0);
    SendMessageW(Control(IDC_Option2), BM_SETCHECK, user ? BST_UNCHECKED : BST_CHECKED, 0);
    SendMessageW(Control(IDC_Check1), BM_SETCHECK, visible ? BST_CHECKED : BST_UNCHECKED, 0);
}

void frmMain::LoadMyButtons() {
    listed_ = Buttons().Entries();
    if (listed_.empty()) return;
    const HWND list = Control(IDC_List1);
    size_t characters = 0;
    for (const std::wstring& text : listed_) characters += text.size() + 1;
    // One allocation and one repaint for the whole catalogue, not one per item.
    SendMessageW(list, LB_INITSTORAGE, listed_.size(), characters * sizeof(wchar_t));
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    for (const std::wstring& text : listed_) SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

void frmMain::RefillList() {
    SendMessageW(Control(IDC_List1), LB_RESETCONTENT, 0, 0);
    SetPreviewedGuid(L"");
    LoadMyButtons();
    // Nothing is selected after a refill, so there is nothing to delete.
    EnableWindow(Control(IDC_Command5), FALSE);
}

std::wstring frmMain::SelectedEntry() const {
    const LRESULT index = SendMessageW(Control(IDC_List1), LB_GETCURSEL, 0, 0);
    if (index < 0 || static_cast<size_t>(index) >= listed_.size()) return {};
    return listed_[static_cast<size_t>(index)];
}

void frmMain::List1_Click() {
    const std::wstring entry = SelectedEntry();
    if (entry.empty()) {
        EnableWindow(Control(IDC_Command5), FALSE);
        return;
    }
    const HWND picture = Control(IDC_Picture1);
    ShowIcon(picture, pictureIcon_, {});
    const ButtonPreview preview = Buttons().Preview(entry);
    SetPreviewedGuid(preview.guid);
    SetText(IDC_lblPath, preview.iconPath);
    // A file that is missing or holds no picture leaves the preview empty.
    ShowIcon(picture, pictureIcon_, LoadPictureIcon(preview.iconPath, PreviewSize()));
    EnableWindow(Control(IDC_Command5), TRUE);
}

void frmMain::Command2_Click() {
    const ButtonDefinition button = ButtonFromForm(*this);
    const CreationResult result = editing_ ? Buttons().Save(button, *editing_) : Buttons().Create(button);
    switch (result.outcome) {
    case CreationOutcome::Created:
        SetStatusCreated(button.buttonText);
        RefillList();
        ClearTextBoxes(*this);
        Command1_Click();
        return;
    case CreationOutcome::Saved:
    case CreationOutcome::ListChanged:
        LeaveEditing();
        if (result.outcome == CreationOutcome::Saved) SetStatusNews(L"The " + button.buttonText + L" Button has been saved!");
        RefillList();
        return;
    case CreationOutcome::MissingField:
        if (result.missing == RequiredField::Application) {
            cmdApp_Click();
        } else if (result.missing == RequiredField::DefaultIcon) {
            Command3_Click();
        } else {
            SetFocus(Control(TextBoxOf(result.missing)));
        }
        return;
    case CreationOutcome::NoGuid:
    case CreationOutcome::KeyExists:
        // The GUID field lies out of view, so the user cannot mend it: the
        // next attempt gets a fresh GUID instead.
        if (!editing_) Command1_Click();
        return;
    default:
        return;
    }
}

void frmMain::List1_DblClick() {
    const std::wstring entry = SelectedEntry();
    if (entry.empty()) return;
    if (const std::optional<ButtonDefinition> button = Buttons().Load(entry)) StartEditing(entry, *button);
}

void frmMain::StartEditing(const std::wstring& entry, const ButtonDefinition& button) {
    if (!InToolsMenuMode()) cmdMyKeys_Click();
    const std::pair<ControlId, const std::wstring*> fields[] = {
        {IDC_Text2, &button.exec},       {IDC_Text3, &button.icon},     {IDC_Text5, &button.hotIcon},
        {IDC_Text4, &button.buttonText}, {IDC_Text6, &button.menuText}, {IDC_Text7, &button.menuStatusBar},
        {IDC_Text8, &button.toolTip},
    };
    for (const auto& [id, text] : fields) SetText(id, *text);
    SetNextGuid(button.guid);
    SetTarget(button.rootKey, button.defaultVisible);
    SetText(IDC_Command2, kSaveCaption);
    editing_ = entry;
    SetStatusNews(L"Editing the " + button.buttonText + L" Button");
    SetFocus(Control(IDC_Text2));
}

void frmMain::LeaveEditing() {
    if (!editing_) return;
    editing_.reset();
    ClearTextBoxes(*this);
    SetNextGuid(CreateGUID());
    SetTarget(HKEY_LOCAL_MACHINE, true);
    SetText(IDC_Command2, kCreateCaption);
    SetStatusDefault();
}

void frmMain::OnContextMenu(HWND control, POINT at) {
    const HWND list = Control(IDC_List1);
    if (control != list) return;
    const bool fromKeyboard = at.x == -1 && at.y == -1;
    if (!fromKeyboard) {
        // A right-click selects the entry under the pointer first, as lists do.
        POINT client = at;
        ScreenToClient(list, &client);
        const LRESULT hit = SendMessageW(list, LB_ITEMFROMPOINT, 0, MAKELPARAM(client.x, client.y));
        if (HIWORD(hit) == 0 && static_cast<LRESULT>(LOWORD(hit)) != SendMessageW(list, LB_GETCURSEL, 0, 0)) {
            SendMessageW(list, LB_SETCURSEL, LOWORD(hit), 0);
            List1_Click();
        }
    }
    if (SelectedEntry().empty()) return;
    if (fromKeyboard) {
        RECT item{};
        SendMessageW(list, LB_GETITEMRECT, SendMessageW(list, LB_GETCURSEL, 0, 0), reinterpret_cast<LPARAM>(&item));
        at = {item.left, item.bottom};
        ClientToScreen(list, &at);
    }
    const UniqueMenu menu(CreatePopupMenu());
    AppendMenuW(menu.get(), MF_STRING, IDM_Edit, L"&Edit");
    AppendMenuW(menu.get(), MF_STRING, IDM_Export, L"E&xport...");
    AppendMenuW(menu.get(), MF_STRING, IDM_Delete, L"&Delete");
    SetMenuDefaultItem(menu.get(), IDM_Edit, FALSE);
    TrackPopupMenu(menu.get(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, Hwnd(), nullptr);
}

void frmMain::mnuExport_Click() {
    const std::wstring entry = SelectedEntry();
    if (entry.empty()) return;
    exportDialog_.CancelError = true;
    exportDialog_.Filter = L"Registry files (*.reg)|*.reg";
    exportDialog_.DefaultExt = L"reg";
    exportDialog_.DialogTitle = L"Export the " + entry + L" Button";
    exportDialog_.FileName = FileNameFor(entry) + L".reg";
    try {
        exportDialog_.ShowSave(Hwnd());
    } catch (const DialogCancelled&) {
        return;
    }
    if (Buttons().Export({entry}, exportDialog_.FileName))
        SetStatusNews(L"The " + entry + L" Button has been exported to " + exportDialog_.FileName);
}

void frmMain::Command5_Click() {
    SetStatusDefault();
    const std::wstring entry = SelectedEntry();
    if (entry.empty()) return;
    Buttons().Remove(PreviewedGuid(), entry);
    ShowIcon(Control(IDC_Picture1), pictureIcon_, {});
    RefillList();  // lblPath keeps the path of the last preview
}

}  // namespace barsmith
