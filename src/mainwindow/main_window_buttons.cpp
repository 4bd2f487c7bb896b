// The handlers that create, list, preview and delete buttons, and the working
// state they keep. The decisions and the registry work are ToolbarButtons';
// these only read and set the form.
#include "mainwindow/main_window.h"

#include <commctrl.h>

#include <algorithm>
#include <numeric>

#include "model/guid.h"
#include "storage/key_index.h"
#include "pictures/picture_file.h"
#include "operations/toolbar_buttons.h"
#include "mainwindow/button_messages.h"
#include "mainwindow/export_messages.h"
#include "mainwindow/main_layout.h"
#include "platform/names.h"

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

ButtonDefinition ButtonFromForm(const MainWindow& form) {
    ButtonDefinition button = form.KindOfEntry();
    button.guid = form.NextGuid();
    button.defaultVisible = form.ButtonVisible();
    button.rootKey = form.TargetHive();
    for (const FieldBox& box : FieldBoxes()) FieldOf(button, box.field).take(button, form.Text(box.box));
    return Named(button);
}

}  // namespace

ToolbarButtons MainWindow::Buttons() const { return ToolbarButtons(services_.registry, catalogue_); }

void MainWindow::Tell(const ButtonOutcome& outcome, ButtonRequest request) {
    for (const WindowMessage& message : OutcomeMessages(outcome, request))
        services_.messages.Show(Hwnd(), message.text, message.title, message.type);
}

// Creates the button, or saves the one being edited; a button of the same
// text in My Buttons is replaced only when the user agrees to replace that one.
ButtonOutcome MainWindow::Write(const ButtonDefinition& button) {
    const ButtonRequest request = editing_ ? ButtonRequest::Save : ButtonRequest::Create;
    ReplacePolicy policy;
    for (;;) {
        ButtonOutcome outcome = editing_ ? Buttons().Save(button, *editing_, policy) : Buttons().Create(button, policy);
        if (outcome.kind != ButtonOutcome::Kind::NotReplaced) {
            Tell(outcome, request);
            return outcome;
        }
        Tell(outcome, request);  // what settling found, if anything
        const WindowMessage question = ReplaceQuestion(button.buttonText);
        if (services_.messages.Show(Hwnd(), question.text, question.title, question.type) != IDYES) return outcome;
        policy = {ReplacePolicy::Mode::Only, outcome.earlier};
    }
}

void MainWindow::SetNextGuid(const std::wstring& guid) {
    nextGuid_ = guid;
    ShowText(IDC_NextGuid, guid);
}

void MainWindow::SetTarget(HKEY hive, bool visible) {
    targetHive_ = RootKeyFor(hive == HKEY_CURRENT_USER);
    buttonVisible_ = visible;
    ShowTarget();
    UpdateShield();
}

bool MainWindow::NeedsElevation() const { return targetHive_ == HKEY_LOCAL_MACHINE && !elevated_; }

void MainWindow::UpdateShield() {
    SendMessageW(Control(IDC_CreateButton), BCM_SETSHIELD, 0, NeedsElevation() ? TRUE : FALSE);
}

void MainWindow::SetPreviewedGuid(const std::wstring& guid) {
    previewedGuid_ = guid;
    ShowText(IDC_PreviewedGuid, guid);
}

void MainWindow::SetPreviewedIconPath(const std::wstring& path) {
    previewedIconPath_ = path;
    ShowText(IDC_PreviewedIconPath, path);
}

void MainWindow::ShowTarget() {
    const bool user = targetHive_ == HKEY_CURRENT_USER;
    if (const HWND option = ExistingControl(IDC_CurrentUserOnly))
        SendMessageW(option, BM_SETCHECK, user ? BST_CHECKED : BST_UNCHECKED, 0);
    if (const HWND option = ExistingControl(IDC_AllUsers))
        SendMessageW(option, BM_SETCHECK, user ? BST_UNCHECKED : BST_CHECKED, 0);
    if (const HWND box = ExistingControl(IDC_ButtonVisible))
        SendMessageW(box, BM_SETCHECK, buttonVisible_ ? BST_CHECKED : BST_UNCHECKED, 0);
}

// A control made later takes its text then (OnGroupMade).
void MainWindow::ShowText(ControlId id, const std::wstring& text) {
    if (const HWND control = ExistingControl(id)) SetWindowTextW(control, text.c_str());
}

void MainWindow::OnChooseHive() {
    targetHive_ = RootKeyFor(IsChecked(ExistingControl(IDC_CurrentUserOnly)));
    UpdateShield();
}

// Only an unticked box hides the button; a greyed one counts as ticked.
void MainWindow::OnChooseVisibility() {
    buttonVisible_ = SendMessageW(ExistingControl(IDC_ButtonVisible), BM_GETCHECK, 0, 0) != BST_UNCHECKED;
}

ButtonDefinition MainWindow::KindOfEntry() const {
    ButtonDefinition kind;
    kind.script = IsChecked(ExistingControl(IDC_RunsScript));
    kind.menuOnly = IsChecked(ExistingControl(IDC_MenuOnly));
    kind.helpMenu = IsChecked(ExistingControl(IDC_HelpMenu));
    return kind;
}

void MainWindow::SetKindOfEntry(const ButtonDefinition& kind) {
    SendMessageW(Control(IDC_RunsProgram), BM_SETCHECK, kind.script ? BST_UNCHECKED : BST_CHECKED, 0);
    SendMessageW(Control(IDC_RunsScript), BM_SETCHECK, kind.script ? BST_CHECKED : BST_UNCHECKED, 0);
    SendMessageW(Control(IDC_MenuOnly), BM_SETCHECK, kind.menuOnly ? BST_CHECKED : BST_UNCHECKED, 0);
    SendMessageW(Control(IDC_HelpMenu), BM_SETCHECK, kind.helpMenu ? BST_CHECKED : BST_UNCHECKED, 0);
    OnChooseKind();
}

// Every control of a field that this kind of entry has no use for is
// disabled; the name in My Buttons serves every kind. The path's label says
// whether it names a program or a script.
void MainWindow::OnChooseKind() {
    const ButtonDefinition kind = KindOfEntry();
    for (const ControlSpec& spec : MainWindowLayout()) {
        if (spec.binding == kUnbound) continue;
        const FieldId field = static_cast<FieldId>(spec.binding);
        const bool used = field == FieldId::ButtonText || FieldOf(kind, field).holds(kind);
        if (const HWND control = ExistingControl(static_cast<ControlId>(spec.id))) EnableWindow(control, used);
    }
    SetText(IDC_ApplicationLabel, FieldOf(kind, FieldId::Path).label);
    FitLabel(Control(IDC_ApplicationLabel));
    UpdateStrip();
}

void MainWindow::OnChangeIcon() { PickIconInside(IDC_IconPath); }

void MainWindow::OnChangeHotIcon() { PickIconInside(IDC_HotIconPath); }

void MainWindow::PickIconInside(ControlId box) {
    SetStatusDefault();
    // The picker starts with the file the box names, or with the system's own icons.
    std::wstring path = ParseIconLocation(Text(box)).path;
    if (path.empty()) path = SystemFolder() + L"\\shell32.dll";
    int index = ParseIconLocation(Text(box)).resource.value_or(0);
    switch (services_.shell.PickIcon(Hwnd(), path, index)) {
    case IconPick::Picked: SetText(box, path + L"," + std::to_wstring(index)); return;
    case IconPick::Cancelled: return;
    case IconPick::Unavailable:
        services_.messages.Show(Hwnd(),
                                L"This computer has no icon picker to show.\n\nType the icon into the field as "
                                L"PATH,N instead: the icon N (counting from 0) of a program or DLL, or PATH,-ID for "
                                L"the icon of resource ID. The preview in My Buttons shows what it names.",
                                L"Change Icon", MB_OK | MB_ICONINFORMATION);
        SetFocus(Control(box));
        return;
    }
}

void MainWindow::OnCreateButton() {
    const ButtonDefinition button = ButtonFromForm(*this);
    if (NeedsElevation()) {
        OfferElevation(button);
        return;
    }
    using Kind = ButtonOutcome::Kind;
    const ButtonOutcome result = Write(button);
    switch (result.kind) {
    case Kind::Created:
        SetStatusCreated(button.buttonText);
        RefillList();
        ClearTextBoxes(*this);
        OnMakeGuid();
        return;
    case Kind::Saved:
    case Kind::ListChanged:
        LeaveEditing();
        if (result.kind == Kind::Saved) SetStatusNews(L"The " + button.buttonText + L" Button has been saved!");
        RefillList();
        return;
    case Kind::BadText:
        SetFocus(Control(BoxOf(*result.row->field)));
        return;
    case Kind::MissingField:
        if (result.row->field == FieldId::Path) {
            OnPickApplication();
        } else if (result.row->field == FieldId::Icon) {
            OnPickIcon();
        } else {
            SetFocus(Control(BoxOf(*result.row->field)));
        }
        return;
    case Kind::NoGuid:
    case Kind::KeyExists:
        // The GUID field lies out of view, so the user cannot mend it: the
        // next attempt gets a fresh GUID instead.
        if (!editing_) OnMakeGuid();
        return;
    default:
        return;
    }
}

void MainWindow::OnEditSelected() {
    const std::wstring entry = SelectedEntry();
    if (entry.empty()) return;
    const LoadedButton loaded = Buttons().Load(entry);
    Tell(loaded.outcome, ButtonRequest::Load);
    if (loaded.button) StartEditing(entry, *loaded.button);
}

void MainWindow::StartEditing(const std::wstring& entry, const ButtonDefinition& button) {
    if (!InToolsMenuMode()) OnSwitchView();
    SetKindOfEntry(button);
    for (const FieldBox& box : FieldBoxes()) SetText(box.box, FieldOf(button, box.field).text(button));
    SetNextGuid(button.guid);
    SetTarget(button.rootKey, button.defaultVisible);
    SetText(IDC_CreateButton, kSaveCaption);
    editing_ = entry;
    SetStatusNews(L"Editing the " + button.buttonText + L" Button");
    SetFocus(Control(IDC_ApplicationPath));
}

void MainWindow::LeaveEditing() {
    if (!editing_) return;
    editing_.reset();
    ClearTextBoxes(*this);
    SetNextGuid(CreateGUID());
    SetTarget(DefaultHive(), true);
    SetKindOfEntry(ButtonDefinition());
    SetText(IDC_CreateButton, kCreateCaption);
    SetStatusDefault();
}


void MainWindow::OfferElevation(const ButtonDefinition& button) {
    constexpr wchar_t kTitle[] = L"Administrator Needed";
    const std::wstring question =
        L"A button for everyone on this computer needs the rights of an administrator, which this copy of "
        L"Barsmith does not have.\n\nStart Barsmith again as administrator, with what you have typed? This "
        L"window closes once the new one runs; nothing is written until you press " +
        std::wstring(editing_ ? L"Save" : L"Create") + L" Button there.\n\nChoose \"Only for me\" instead to " +
        (editing_ ? L"save" : L"create") + L" the button for yourself.";
    if (services_.messages.Show(Hwnd(), question, kTitle, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
    const std::wstring parameters = FormStartParameters({button, editing_});
    switch (services_.elevation.StartElevated(Hwnd(), parameters)) {
    case ElevatedStart::Started: forms_.UnloadAll(); return;
    case ElevatedStart::Declined: return;  // the user said no to the system's prompt: nothing changes
    case ElevatedStart::Failed:
        services_.messages.Show(Hwnd(),
                                L"Barsmith could not be started as administrator. Nothing was written.\n\nStart "
                                L"Barsmith with \"Run as administrator\", or choose \"Only for me\".",
                                kTitle, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
}

void MainWindow::StartWith(const FormStart& start) {
    if (start.editedEntry) {
        // The entry names the button again here: its GUID never comes from the command line.
        const LoadedButton loaded = Buttons().Load(*start.editedEntry);
        Tell(loaded.outcome, ButtonRequest::Load);
        if (!loaded.button) return;
        StartEditing(*start.editedEntry, *loaded.button);
    }
    SetKindOfEntry(start.form);
    for (const FieldBox& box : FieldBoxes()) SetText(box.box, FieldOf(start.form, box.field).text(start.form));
    SetTarget(start.form.rootKey, start.form.defaultVisible);
    // The boxes of a window not shown yet may not tell of their changes.
    UpdateStrip();
}

}  // namespace barsmith
