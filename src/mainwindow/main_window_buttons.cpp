// The handlers that create, list, preview and delete buttons, and the working
// state they keep. The decisions and the registry work are ToolbarButtons';
// these only read and set the form.
#include "mainwindow/main_window.h"

#include <commctrl.h>

#include "model/guid.h"
#include "storage/key_index.h"
#include "pictures/picture_file.h"
#include "operations/toolbar_buttons.h"
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

// The entry as a file name: characters that no file name may hold become "_".
std::wstring FileNameFor(std::wstring entry) {
    for (wchar_t& c : entry) {
        if (c < L' ' || wcschr(L"\\/:*?\"<>|", c)) c = L'_';
    }
    return entry;
}

ButtonDefinition ButtonFromForm(const MainWindow& form) {
    ButtonDefinition button = form.KindOfEntry();
    button.guid = form.NextGuid();
    button.defaultVisible = form.ButtonVisible();
    button.rootKey = form.TargetHive();
    for (const FieldBox& box : FieldBoxes()) FieldOf(button, box.field).take(button, form.Text(box.box));
    return Named(button);
}

// Puts `icon` into the picture box and keeps it in `shown`; the icon shown
// before is destroyed only once the control has let go of it.
void ShowIcon(HWND picture, UniqueIcon& shown, UniqueIcon icon) {
    SendMessageW(picture, STM_SETICON, reinterpret_cast<WPARAM>(icon.get()), 0);
    shown = std::move(icon);
    InvalidateRect(picture, nullptr, TRUE);
}

}  // namespace

ToolbarButtons MainWindow::Buttons() const {
    return ToolbarButtons(services_.registry, catalogue_, services_.messages, Hwnd());
}

void MainWindow::SetNextGuid(const std::wstring& guid) {
    nextGuid_ = guid;
    ShowText(IDC_NextGuid, guid);
}

void MainWindow::SetTarget(HKEY hive, bool visible) {
    targetHive_ = RootKeyFor(hive == HKEY_CURRENT_USER);
    buttonVisible_ = visible;
    ShowTarget();
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

void MainWindow::OnChooseHive() { targetHive_ = RootKeyFor(IsChecked(ExistingControl(IDC_CurrentUserOnly))); }

// Only an unticked box hides the button; a greyed one counts as ticked.
void MainWindow::OnChooseVisibility() {
    buttonVisible_ = SendMessageW(ExistingControl(IDC_ButtonVisible), BM_GETCHECK, 0, 0) != BST_UNCHECKED;
}

class MainWindow::Busy {
public:
    explicit Busy(MainWindow& window)
        : window_(window),
          text_(window.Text(IDC_Status)),
          color_(window.statusColor_),
          cursor_(SetCursor(LoadCursorW(nullptr, IDC_WAIT))) {}
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;
    ~Busy() {
        if (shown_) window_.SetStatus(text_, color_);
        SetCursor(cursor_);
    }
    void ShowProgress(const std::wstring& text) {
        shown_ = true;
        window_.SetStatus(text, kStatusDefaultColor);
        UpdateWindow(window_.Control(IDC_Status));
    }

private:
    MainWindow& window_;
    std::wstring text_;
    COLORREF color_;
    HCURSOR cursor_;
    bool shown_ = false;
};

void MainWindow::LoadMyButtons() {
    Busy busy(*this);
    listed_ = Buttons().Entries();
    if (listed_.empty()) return;
    const HWND list = Control(IDC_MyButtonsList);
    size_t characters = 0;
    for (const std::wstring& text : listed_) characters += text.size() + 1;
    // One allocation and one repaint for the whole catalogue, not one per item.
    SendMessageW(list, LB_INITSTORAGE, listed_.size(), characters * sizeof(wchar_t));
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    constexpr size_t kProgressEvery = 2000;
    for (size_t shown = 0; shown < listed_.size(); ++shown) {
        if (shown % kProgressEvery == kProgressEvery - 1)
            busy.ShowProgress(L"Listing My Buttons: " + std::to_wstring(shown + 1) + L" of " +
                              std::to_wstring(listed_.size()) + L"...");
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(listed_[shown].c_str()));
    }
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

void MainWindow::OnCheck() {
    std::optional<std::vector<Finding>> findings;
    {
        Busy busy(*this);
        busy.ShowProgress(L"Checking the buttons and My Buttons...");
        findings = Buttons().Check(ButtonKeyIndexFile());
    }
    if (!findings) return;  // told
    constexpr wchar_t kTitle[] = L"Check My Buttons";
    if (findings->empty()) {
        services_.messages.Show(Hwnd(), L"The buttons and My Buttons agree, and every file they name is there.",
                                kTitle, MB_OK | MB_ICONINFORMATION);
        return;
    }
    constexpr size_t kMostShown = 20;
    std::wstring text = L"Found:\n";
    for (size_t i = 0; i < findings->size() && i < kMostShown; ++i) {
        const Finding& finding = (*findings)[i];
        text += L"\n" + (finding.entry.empty() ? finding.guid : Quoted(Escaped(finding.entry))) + L": " +
                Escaped(finding.detail);
    }
    if (findings->size() > kMostShown)
        text += L"\n... and " + std::to_wstring(findings->size() - kMostShown) + L" more.";
    const auto repairable = std::count_if(findings->begin(), findings->end(), [](const Finding& f) { return f.repairable; });
    if (repairable == 0) {
        services_.messages.Show(Hwnd(), text + L"\n\nNone of it can be repaired by Barsmith.", kTitle,
                                MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    text += L"\n\nRepair the " + std::to_wstring(repairable) +
            L" that can be? Barsmith puts back a missing registry view, removes entries without keys and lists "
            L"keys of its kind that no entry names; it never touches other programs' keys.";
    if (services_.messages.Show(Hwnd(), text, kTitle, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
    const std::vector<Finding> repaired = Buttons().Repair(*findings);
    RefillList();
    SetStatusNews(std::to_wstring(repaired.size()) + L" of " + std::to_wstring(repairable) + L" repaired.");
}

void MainWindow::RefillList() {
    SendMessageW(Control(IDC_MyButtonsList), LB_RESETCONTENT, 0, 0);
    SetPreviewedGuid(L"");
    LoadMyButtons();
    // Nothing is selected after a refill, so there is nothing to delete.
    EnableWindow(Control(IDC_DeleteSelected), FALSE);
}

std::wstring MainWindow::SelectedEntry() const {
    const HWND list = ExistingControl(IDC_MyButtonsList);
    if (!list) return {};
    const LRESULT index = SendMessageW(list, LB_GETCURSEL, 0, 0);
    if (index < 0 || static_cast<size_t>(index) >= listed_.size()) return {};
    return listed_[static_cast<size_t>(index)];
}

void MainWindow::OnSelectionChanged() {
    const std::wstring entry = SelectedEntry();
    if (entry.empty()) {
        EnableWindow(Control(IDC_DeleteSelected), FALSE);
        return;
    }
    const HWND picture = Control(IDC_Preview);
    ShowIcon(picture, previewIcon_, {});
    const ButtonPreview preview = Buttons().Preview(entry);
    SetPreviewedGuid(preview.guid);
    SetPreviewedIconPath(preview.iconPath);
    // A file that is missing or holds no picture leaves the preview empty.
    ShowIcon(picture, previewIcon_, LoadPictureIcon(preview.iconPath, PreviewSize()));
    EnableWindow(Control(IDC_DeleteSelected), TRUE);
    if (!preview.kind.empty()) SetStatus(Quoted(entry) + L" is a " + preview.kind + L".", kStatusDefaultColor);
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
    const CreationResult result = editing_ ? Buttons().Save(button, *editing_) : Buttons().Create(button);
    switch (result.outcome) {
    case CreationOutcome::Created:
        SetStatusCreated(button.buttonText);
        RefillList();
        ClearTextBoxes(*this);
        OnMakeGuid();
        return;
    case CreationOutcome::Saved:
    case CreationOutcome::ListChanged:
        LeaveEditing();
        if (result.outcome == CreationOutcome::Saved) SetStatusNews(L"The " + button.buttonText + L" Button has been saved!");
        RefillList();
        return;
    case CreationOutcome::BadText:
        SetFocus(Control(BoxOf(result.missing)));
        return;
    case CreationOutcome::MissingField:
        if (result.missing == FieldId::Path) {
            OnPickApplication();
        } else if (result.missing == FieldId::Icon) {
            OnPickIcon();
        } else {
            SetFocus(Control(BoxOf(result.missing)));
        }
        return;
    case CreationOutcome::NoGuid:
    case CreationOutcome::KeyExists:
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
    if (const std::optional<ButtonDefinition> button = Buttons().Load(entry)) StartEditing(entry, *button);
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
    SetTarget(HKEY_LOCAL_MACHINE, true);
    SetKindOfEntry(ButtonDefinition());
    SetText(IDC_CreateButton, kCreateCaption);
    SetStatusDefault();
}

void MainWindow::OnContextMenu(HWND control, POINT at) {
    const HWND list = Control(IDC_MyButtonsList);
    if (control != list) return;
    const bool fromKeyboard = at.x == -1 && at.y == -1;
    if (!fromKeyboard) {
        // A right-click selects the entry under the pointer first, as lists do.
        POINT client = at;
        ScreenToClient(list, &client);
        const LRESULT hit = SendMessageW(list, LB_ITEMFROMPOINT, 0, MAKELPARAM(client.x, client.y));
        if (HIWORD(hit) == 0 && static_cast<LRESULT>(LOWORD(hit)) != SendMessageW(list, LB_GETCURSEL, 0, 0)) {
            SendMessageW(list, LB_SETCURSEL, LOWORD(hit), 0);
            OnSelectionChanged();
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

void MainWindow::OnExportSelected() {
    const std::wstring entry = SelectedEntry();
    if (entry.empty()) return;
    exportDialog_.CancelError = true;
    exportDialog_.Filter =
        L"Registry files (*.reg)|*.reg|Group Policy preference files (*.xml)|*.xml|"
        L"Windows Installer packages (*.msi)|*.msi";
    exportDialog_.DefaultExt = L"reg";
    exportDialog_.DialogTitle = L"Export the " + entry + L" Button";
    exportDialog_.FileName = FileNameFor(entry) + L".reg";
    try {
        exportDialog_.ShowSave(Hwnd());
    } catch (const DialogCancelled&) {
        return;
    }
    ExportRequest request;
    request.entries = {entry};
    request.path = exportDialog_.FileName;
    request.format = FormatOfFile(request.path).value_or(ExportFormat::RegistryFile);
    if (request.format == ExportFormat::Package) {
        PackageQuestionSeam& question = services_.packageQuestion ? *services_.packageQuestion : packageDialog_;
        if (packageDetails_.product.empty()) packageDetails_ = {entry, L"1.0.0", L""};
        const std::optional<PackageDetails> details = question.Ask(Hwnd(), packageDetails_);
        if (!details) return;
        packageDetails_ = *details;
        request.package = *details;
        if (request.package.manufacturer.empty()) request.package.manufacturer = request.package.product;
    }
    const ExportOutcome outcome = ExportButtons(services_.registry, catalogue_, request);
    if (const std::wstring settled = SettledText(outcome.settled, false); !settled.empty())
        services_.messages.Show(Hwnd(), settled, kAppTitle, MB_OK | MB_ICONEXCLAMATION);
    if (outcome.kind != ExportOutcome::Kind::Exported) {
        services_.messages.Show(Hwnd(), NotExportedText(outcome, request), kNotExportedTitle,
                                MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    SetStatusNews(L"The " + entry + L" Button has been exported to " + exportDialog_.FileName);
}

void MainWindow::OnDeleteSelected() {
    SetStatusDefault();
    const std::wstring entry = SelectedEntry();
    if (entry.empty()) return;
    Buttons().Remove(PreviewedGuid(), entry);
    ShowIcon(Control(IDC_Preview), previewIcon_, {});
    RefillList();  // the previewed icon path stays that of the last preview
}

}  // namespace barsmith
