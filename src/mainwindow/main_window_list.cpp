// The My Buttons list: a report-style list view in virtual mode (the window
// keeps the rows and hands the control what it shows), sorted by any column,
// with several entries selected at once; and the commands on the selection.
#include "mainwindow/main_window.h"

#include <commctrl.h>

#include <algorithm>
#include <numeric>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "mainwindow/button_messages.h"
#include "mainwindow/export_messages.h"
#include "mainwindow/main_layout.h"
#include "operations/export.h"
#include "pictures/picture_file.h"
#include "platform/names.h"
#include "storage/key_index.h"

namespace barsmith {
namespace {

struct ColumnSpec {
    const wchar_t* title;
    int widthTwips;
};
// What the reader posts to the window when it has read My Buttons.
constexpr UINT kRowsReadMessage = WM_APP + 1;
constexpr wchar_t kReadingText[] = L"Reading My Buttons...";

// Inside the list's width, with room for its vertical scroll bar.
constexpr ColumnSpec kColumns[kListColumns] = {
    {L"Text", 1560}, {L"Kind", 1080}, {L"For", 960}, {L"State", 1245}};

// The entry as a file name: characters that no file name may hold become "_".
std::wstring FileNameFor(std::wstring entry) {
    for (wchar_t& c : entry) {
        if (c < L' ' || wcschr(L"\\/:*?\"<>|", c)) c = L'_';
    }
    return entry;
}

// Puts `icon` into the picture box and keeps it in `shown`; the icon shown
// before is destroyed only once the control has let go of it.
void ShowIcon(HWND picture, UniqueIcon& shown, UniqueIcon icon) {
    SendMessageW(picture, STM_SETICON, reinterpret_cast<WPARAM>(icon.get()), 0);
    shown = std::move(icon);
    InvalidateRect(picture, nullptr, TRUE);
}

const wchar_t* KindWords(const MyButtonsRow& row) {
    if (!row.hive) return L"-";
    if (row.button.helpMenu) return L"Help menu";
    if (row.button.menuOnly) return L"menu item";
    return row.button.script ? L"script" : L"program";
}

const wchar_t* ForWords(const MyButtonsRow& row) {
    if (!row.hive) return L"-";
    return row.hive == HKEY_LOCAL_MACHINE ? L"everyone" : L"only me";
}

// What the check finds first, in a few words; "ok" when it finds nothing.
const wchar_t* StateWords(const MyButtonsRow& row) {
    if (row.findings.empty()) return L"ok";
    switch (row.findings.front()) {
    case Finding::Kind::EntryWithoutKey: return L"no key";
    case Finding::Kind::OneView: return L"in one view";
    case Finding::Kind::MissingValues: return L"values missing";
    case Finding::Kind::MissingFile: return L"file missing";
    case Finding::Kind::NoToolbarImage: return L"no toolbar image";
    case Finding::Kind::Unlisted: return L"unlisted";
    case Finding::Kind::SharedGuid: return L"shared key";
    case Finding::Kind::ToolbarSizeMissing: return L"icon scaled";
    case Finding::Kind::ViewsDiffer: return L"views differ";
    case Finding::Kind::UnreadableKey: return L"unreadable";
    case Finding::Kind::JournalUnsound: return L"journal";
    }
    return L"?";
}

// The words of a column other than Text: one of a few for every row.
std::wstring_view ColumnWords(const MyButtonsRow& row, ListColumn column) {
    switch (column) {
    case ListColumn::Kind: return KindWords(row);
    case ListColumn::For: return ForWords(row);
    case ListColumn::State: return StateWords(row);
    case ListColumn::Text: break;
    }
    return {};
}

std::wstring CellText(const MyButtonsRow& row, ListColumn column) {
    return column == ListColumn::Text ? row.entry : std::wstring(ColumnWords(row, column));
}

// Each row's rank by the column's words, alphabetical, case ignored: the
// words are few, so the rows are compared by number, not by text.
std::vector<size_t> WordRanks(const std::vector<MyButtonsRow>& rows, ListColumn column) {
    std::vector<size_t> ranks(rows.size());
    if (column == ListColumn::Text) return ranks;
    std::unordered_map<std::wstring_view, size_t> rankOf;
    for (const MyButtonsRow& row : rows) rankOf.try_emplace(ColumnWords(row, column), 0);
    std::vector<std::wstring_view> words;
    for (const auto& [word, rank] : rankOf) words.push_back(word);
    std::sort(words.begin(), words.end(), NameLess());
    size_t rank = 0;
    for (size_t i = 0; i < words.size(); ++i) {
        if (i > 0 && CompareNames(words[i - 1], words[i]) != 0) ++rank;
        rankOf[words[i]] = rank;
    }
    for (size_t row = 0; row < rows.size(); ++row) ranks[row] = rankOf[ColumnWords(rows[row], column)];
    return ranks;
}

// A name as the list shows it: up to a NUL, which the control would end it at anyway.
std::wstring Shown(const std::wstring& text) { return text.substr(0, text.find(L'\0')); }

}  // namespace

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

void MainWindow::SetUpList() {
    const HWND list = Control(IDC_MyButtonsList);
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER,
                 LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    if (SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0) == 0) {
        for (int column = 0; column < kListColumns; ++column) {
            LVCOLUMNW spec{};
            spec.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
            spec.pszText = const_cast<wchar_t*>(kColumns[column].title);
            spec.cx = TwipsToPixels(kColumns[column].widthTwips, CurrentDpi().x);
            spec.iSubItem = column;
            SendMessageW(list, LVM_INSERTCOLUMNW, column, reinterpret_cast<LPARAM>(&spec));
        }
    }
    // The small icons at the window's DPI; the list keeps them (LVS_SHAREIMAGELISTS), the window owns them.
    const int side = MulDiv(16, CurrentDpi().x, 96);
    images_.reset(ImageList_Create(side, side, ILC_COLOR32 | ILC_MASK, 16, 64));
    imageOf_.clear();
    SendMessageW(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images_.get()));
}

void MainWindow::SetColumnWidths() {
    const HWND list = ExistingControl(IDC_MyButtonsList);
    for (int column = 0; list && column < kListColumns; ++column)
        SendMessageW(list, LVM_SETCOLUMNWIDTH, column, TwipsToPixels(kColumns[column].widthTwips, CurrentDpi().x));
}

void MainWindow::LoadMyButtons() {
    const HWND list = Control(IDC_MyButtonsList);
    rows_.clear();
    order_.clear();
    reader_.Request(Hwnd(), kRowsReadMessage, ButtonKeyIndexFile());
    // Meanwhile one item says so; it stands for no entry.
    SendMessageW(list, LVM_SETITEMCOUNT, 1, 0);
    InvalidateRect(list, nullptr, FALSE);
}

void MainWindow::OnRowsRead(WPARAM number) {
    const HWND list = Control(IDC_MyButtonsList);
    std::optional<MyButtonsReading> reading;
    try {
        reading = reader_.Take(number);
    } catch (...) {
        SendMessageW(list, LVM_SETITEMCOUNT, 0, 0);  // no longer reading: told as anything unexpected is
        throw;
    }
    if (!reading) return;  // a reading asked for later follows
    if (!*reading) {
        services_.messages.Show(Hwnd(),
                                L"Another copy of Barsmith is changing the toolbar buttons and did not finish in "
                                L"time. Please try again.",
                                kAppTitle, MB_OK | MB_ICONEXCLAMATION);
        reading->emplace();
    }
    // The item that said "Reading" goes, with the selection it may have had.
    quietSelection_ = true;
    SendMessageW(list, LVM_SETITEMCOUNT, 0, 0);
    quietSelection_ = false;
    rows_ = std::move(**reading);
    // In the order of their texts, as the catalogue gives them (sorting the
    // list relies on it).
    const auto byText = [](const MyButtonsRow& a, const MyButtonsRow& b) { return CompareNames(a.entry, b.entry) < 0; };
    if (!std::is_sorted(rows_.begin(), rows_.end(), byText)) std::stable_sort(rows_.begin(), rows_.end(), byText);
    order_.resize(rows_.size());
    std::iota(order_.begin(), order_.end(), size_t{0});
    sortDescending_ = !sortDescending_;  // SortBy turns it back
    SortBy(sortColumn_);
    SendMessageW(list, LVM_SETITEMCOUNT, order_.size(), 0);
}

LRESULT MainWindow::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg != kRowsReadMessage) return Form::HandleMessage(msg, wParam, lParam);
    OnRowsRead(wParam);
    return 0;
}

void MainWindow::SortBy(ListColumn column) {
    const std::vector<size_t> selected = SelectedRows();
    sortDescending_ = column == sortColumn_ && !sortDescending_;
    sortColumn_ = column;
    // By the column's words, then by text: the rows are in the order of their texts.
    const std::vector<size_t> ranks = WordRanks(rows_, column);
    std::sort(order_.begin(), order_.end(), [&](size_t a, size_t b) {
        const auto key = [&](size_t row) { return std::pair(ranks[row], row); };
        return sortDescending_ ? key(b) < key(a) : key(a) < key(b);
    });
    const HWND list = Control(IDC_MyButtonsList);
    const HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    for (int i = 0; header && i < kListColumns; ++i) {
        HDITEMW item{};
        item.mask = HDI_FORMAT;
        SendMessageW(header, HDM_GETITEMW, i, reinterpret_cast<LPARAM>(&item));
        item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
        if (i == static_cast<int>(column)) item.fmt |= sortDescending_ ? HDF_SORTDOWN : HDF_SORTUP;
        SendMessageW(header, HDM_SETITEMW, i, reinterpret_cast<LPARAM>(&item));
    }
    SelectRows(selected);
    InvalidateRect(list, nullptr, FALSE);
}

std::wstring MainWindow::ListText(size_t item, ListColumn column) const {
    return item < order_.size() ? Shown(CellText(rows_[order_[item]], column)) : std::wstring();
}

std::vector<size_t> MainWindow::SelectedRows() const {
    std::vector<size_t> rows;
    const HWND list = ExistingControl(IDC_MyButtonsList);
    if (!list) return rows;
    for (LRESULT item = SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED); item >= 0;
         item = SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(item), LVNI_SELECTED)) {
        if (static_cast<size_t>(item) >= order_.size()) break;
        rows.push_back(order_[static_cast<size_t>(item)]);
    }
    return rows;
}

void MainWindow::SelectRows(const std::vector<size_t>& rows) {
    const HWND list = Control(IDC_MyButtonsList);
    std::vector<bool> wanted(rows_.size());
    for (const size_t row : rows) wanted[row] = true;
    // One change of the selection for the window, not one per item.
    quietSelection_ = true;
    LVITEMW none{};
    none.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
    for (size_t item = 0; item < order_.size() && !rows.empty(); ++item) {
        if (!wanted[order_[item]]) continue;
        LVITEMW selected{};
        selected.stateMask = LVIS_SELECTED;
        selected.state = LVIS_SELECTED;
        SendMessageW(list, LVM_SETITEMSTATE, item, reinterpret_cast<LPARAM>(&selected));
    }
    quietSelection_ = false;
}

std::vector<std::wstring> MainWindow::SelectedEntries() const {
    std::vector<std::wstring> entries;
    for (const size_t row : SelectedRows()) entries.push_back(rows_[row].entry);
    return entries;
}

std::wstring MainWindow::SelectedEntry() const {
    const std::vector<size_t> rows = SelectedRows();
    return rows.size() == 1 ? rows_[rows.front()].entry : std::wstring();
}

int MainWindow::ImageOf(const MyButtonsRow& row) {
    if (!row.hive || row.button.menuOnly || row.button.icon.empty()) return -1;
    const auto [at, added] = imageOf_.try_emplace(row.button.icon, -1);
    if (added && images_) {
        int side = 0;
        ImageList_GetIconSize(images_.get(), &side, &side);
        // A missing or doubtful file gives no icon: the entry shows none.
        if (const UniqueIcon icon = LoadPictureIcon(row.button.icon, side))
            at->second = ImageList_ReplaceIcon(images_.get(), -1, icon.get());
    }
    return at->second;
}

void MainWindow::FillDisplayInfo(NMLVDISPINFOW& info) {
    LVITEMW& item = info.item;
    if (item.iItem == 0 && reader_.Pending()) {
        const std::wstring text = item.iSubItem == 0 ? kReadingText : L"";
        if (item.mask & LVIF_TEXT && item.pszText && item.cchTextMax > 0)
            lstrcpynW(item.pszText, text.c_str(), item.cchTextMax);
        if (item.mask & LVIF_IMAGE) item.iImage = -1;
        return;
    }
    if (item.iItem < 0 || static_cast<size_t>(item.iItem) >= order_.size()) return;
    const MyButtonsRow& row = rows_[order_[static_cast<size_t>(item.iItem)]];
    if (item.mask & LVIF_TEXT && item.pszText && item.cchTextMax > 0) {
        const std::wstring text = Shown(CellText(row, static_cast<ListColumn>(item.iSubItem)));
        const size_t length = std::min(text.size(), static_cast<size_t>(item.cchTextMax - 1));
        text.copy(item.pszText, length);
        item.pszText[length] = L'\0';
    }
    if (item.mask & LVIF_IMAGE) item.iImage = item.iSubItem == 0 ? ImageOf(row) : -1;
}

// The item that says the list is being read, drawn across the whole row, as
// no column is wide enough for it.
LRESULT MainWindow::DrawReadingItem(const NMLVCUSTOMDRAW& draw) const {
    if (!reader_.Pending()) return CDRF_DODEFAULT;  // the rows are cleared while it reads
    if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
    if (draw.nmcd.dwDrawStage != CDDS_ITEMPREPAINT || draw.nmcd.dwItemSpec != 0) return CDRF_DODEFAULT;
    RECT row{LVIR_BOUNDS, 0, 0, 0};
    RECT label{LVIR_LABEL, 0, 0, 0};
    SendMessageW(draw.nmcd.hdr.hwndFrom, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row));
    SendMessageW(draw.nmcd.hdr.hwndFrom, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&label));
    FillRect(draw.nmcd.hdc, &row, GetSysColorBrush(COLOR_WINDOW));
    row.left = label.left + 2;
    SetBkMode(draw.nmcd.hdc, TRANSPARENT);
    SetTextColor(draw.nmcd.hdc, GetSysColor(COLOR_GRAYTEXT));
    DrawTextW(draw.nmcd.hdc, kReadingText, -1, &row, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    return CDRF_SKIPDEFAULT;
}

LRESULT MainWindow::OnNotify(const NMHDR& note) {
    if (note.idFrom != IDC_MyButtonsList) return 0;
    switch (note.code) {
    case NM_CUSTOMDRAW: return DrawReadingItem(reinterpret_cast<const NMLVCUSTOMDRAW&>(note));
    case LVN_GETDISPINFOW:
        FillDisplayInfo(*reinterpret_cast<NMLVDISPINFOW*>(const_cast<NMHDR*>(&note)));
        return 0;
    case LVN_COLUMNCLICK:
        SortBy(static_cast<ListColumn>(reinterpret_cast<const NMLISTVIEW&>(note).iSubItem));
        return 0;
    case LVN_ITEMCHANGED: {
        const auto& change = reinterpret_cast<const NMLISTVIEW&>(note);
        if ((change.uChanged & LVIF_STATE) && ((change.uOldState ^ change.uNewState) & LVIS_SELECTED))
            OnSelectionChanged();
        return 0;
    }
    case LVN_ODSTATECHANGED: OnSelectionChanged(); return 0;
    case LVN_KEYDOWN: OnListKey(reinterpret_cast<const NMLVKEYDOWN&>(note).wVKey); return 0;
    case NM_RETURN: OnEditSelected(); return 0;
    case NM_DBLCLK:
        if (reinterpret_cast<const NMITEMACTIVATE&>(note).iItem >= 0) OnEditSelected();
        return 0;
    default: return 0;
    }
}

void MainWindow::OnListKey(WORD key) {
    if (key == VK_DELETE) {
        OnDeleteSelected();
    } else if (key == 'A' && GetKeyState(VK_CONTROL) < 0) {
        LVITEMW all{};
        all.stateMask = LVIS_SELECTED;
        all.state = LVIS_SELECTED;
        SendMessageW(Control(IDC_MyButtonsList), LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&all));
    }
}

void MainWindow::RefillList() {
    SendMessageW(Control(IDC_MyButtonsList), LVM_SETITEMCOUNT, 0, 0);
    SetPreviewedGuid(L"");
    LoadMyButtons();
    // Nothing is selected after a refill, so there is nothing to delete.
    EnableWindow(Control(IDC_DeleteSelected), FALSE);
    UpdateStrip();
}

void MainWindow::OnSelectionChanged() {
    if (quietSelection_) return;
    const std::vector<size_t> selected = SelectedRows();
    EnableWindow(Control(IDC_DeleteSelected), !selected.empty());
    UpdateStrip();
    if (selected.size() != 1) {
        if (selected.size() > 1) {
            ShowIcon(Control(IDC_Preview), previewIcon_, {});  // no one entry to show
            SetStatus(std::to_wstring(selected.size()) + L" entries of My Buttons selected.", kStatusDefaultColor);
        }
        return;
    }
    const std::wstring entry = rows_[selected.front()].entry;
    const HWND picture = Control(IDC_Preview);
    ShowIcon(picture, previewIcon_, {});
    const ButtonPreview preview = Buttons().Preview(entry);
    Tell(preview.outcome, ButtonRequest::Preview);
    SetPreviewedGuid(preview.guid);
    SetPreviewedIconPath(preview.iconPath);
    // A file that is missing or holds no picture leaves the preview empty.
    ShowIcon(picture, previewIcon_, LoadPictureIcon(preview.iconPath, PreviewSize()));
    if (preview.described)
        SetStatus(Quoted(entry) + L" is a " + KindText(*preview.described) + L".", kStatusDefaultColor);
}

void MainWindow::UpdateStrip() {
    ToolbarLook look;
    const std::vector<size_t> selected = InToolsMenuMode() ? std::vector<size_t>() : SelectedRows();
    if (!InToolsMenuMode()) {
        if (selected.size() == 1) {
            const ButtonDefinition& button = rows_[selected.front()].button;
            look = {button.icon, button.hotIcon, button.buttonText, button.menuOnly};
        }
    } else {
        const ButtonDefinition kind = KindOfEntry();
        look = {Text(IDC_IconPath), Text(IDC_HotIconPath), Text(IDC_ButtonText), kind.menuOnly};
    }
    strip_.Show(look);
}

void MainWindow::OnContextMenu(HWND control, POINT at) {
    const HWND list = Control(IDC_MyButtonsList);
    if (control != list) return;
    const std::vector<size_t> selected = SelectedRows();
    if (selected.empty()) return;
    if (at.x == -1 && at.y == -1) {
        // From the keyboard: below the focused item, or the first selected one.
        LRESULT item = SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED | LVNI_SELECTED);
        if (item < 0) item = SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED);
        RECT bounds{LVIR_BOUNDS, 0, 0, 0};
        SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&bounds));
        at = {bounds.left, bounds.bottom};
        ClientToScreen(list, &at);
    }
    const UniqueMenu menu(CreatePopupMenu());
    AppendMenuW(menu.get(), MF_STRING | (selected.size() == 1 ? 0 : MF_GRAYED), IDM_Edit, L"&Edit");
    AppendMenuW(menu.get(), MF_STRING, IDM_Export, L"E&xport...");
    AppendMenuW(menu.get(), MF_STRING, IDM_Delete, L"&Delete");
    AppendMenuW(menu.get(), MF_STRING, IDM_Check, L"&Check");
    if (selected.size() == 1) SetMenuDefaultItem(menu.get(), IDM_Edit, FALSE);
    TrackPopupMenu(menu.get(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, Hwnd(), nullptr);
}

void MainWindow::OnExportSelected() {
    const std::vector<std::wstring> entries = SelectedEntries();
    if (entries.empty()) return;
    const bool one = entries.size() == 1;
    exportDialog_.Filter =
        L"Registry files (*.reg)|*.reg|Group Policy preference files (*.xml)|*.xml|"
        L"Windows Installer packages (*.msi)|*.msi";
    exportDialog_.DefaultExt = L"reg";
    exportDialog_.DialogTitle =
        one ? L"Export the " + entries.front() + L" Button" : L"Export " + std::to_wstring(entries.size()) + L" Buttons";
    exportDialog_.FileName = (one ? FileNameFor(entries.front()) : std::wstring(L"My Buttons")) + L".reg";
    const std::optional<std::wstring> path = exportDialog_.Save(Hwnd());
    if (!path) return;
    ExportRequest request;
    request.entries = entries;
    request.path = *path;
    request.format = FormatOfFile(request.path).value_or(ExportFormat::RegistryFile);
    if (request.format == ExportFormat::Package) {
        PackageQuestionSeam& question = services_.packageQuestion ? *services_.packageQuestion : packageDialog_;
        if (packageDetails_.product.empty()) packageDetails_ = {entries.front(), L"1.0.0", L""};
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
    SetStatusNews((one ? L"The " + entries.front() + L" Button has" : std::to_wstring(entries.size()) + L" Buttons have") +
                  L" been exported to " + exportDialog_.FileName);
}

void MainWindow::OnDeleteSelected() {
    SetStatusDefault();
    std::vector<size_t> selected = SelectedRows();
    if (selected.empty()) return;
    if (selected.size() > 1) {
        const std::wstring question = L"Delete the " + std::to_wstring(selected.size()) +
                                      L" selected buttons? Their registry keys and their entries in My Buttons are "
                                      L"deleted.";
        if (services_.messages.Show(Hwnd(), question, L"Delete Buttons", MB_YESNO | MB_ICONQUESTION) != IDYES) return;
    }
    // Each by the GUID the list read for it: an entry changed meanwhile is left alone.
    size_t removed = 0;
    for (const size_t row : selected) {
        const ButtonOutcome outcome = Buttons().Remove(rows_[row].guid, rows_[row].entry);
        Tell(outcome, ButtonRequest::Remove);
        if (outcome.Unlisted()) ++removed;
    }
    ShowIcon(Control(IDC_Preview), previewIcon_, {});
    RefillList();  // the previewed icon path stays that of the last preview
    if (selected.size() > 1)
        SetStatusNews(std::to_wstring(removed) + L" of " + std::to_wstring(selected.size()) + L" buttons deleted.");
}

void MainWindow::OnCheck() {
    CheckResult checked;
    {
        Busy busy(*this);
        busy.ShowProgress(L"Checking the buttons and My Buttons...");
        checked = Buttons().Check(ButtonKeyIndexFile());
    }
    Tell(checked.outcome, ButtonRequest::Check);
    if (checked.outcome.Succeeded()) ShowFindings(checked.findings);
}

void MainWindow::OnCheckSelected() {
    std::vector<size_t> selected = SelectedRows();
    CheckResult checked;
    {
        Busy busy(*this);
        busy.ShowProgress(L"Checking the selected buttons...");
        checked = Buttons().Check(ButtonKeyIndexFile());
    }
    Tell(checked.outcome, ButtonRequest::Check);
    if (!checked.outcome.Succeeded()) return;
    std::vector<Finding>& findings = checked.findings;
    std::erase_if(findings, [&](const Finding& finding) {
        return std::none_of(selected.begin(), selected.end(), [&](size_t row) {
            return SameName(rows_[row].entry, finding.entry) ||
                   (IsGuidString(rows_[row].guid) && SameGuid(rows_[row].guid, finding.guid));
        });
    });
    ShowFindings(findings);
}

void MainWindow::ShowFindings(const std::vector<Finding>& findings) {
    constexpr wchar_t kTitle[] = L"Check My Buttons";
    if (findings.empty()) {
        services_.messages.Show(Hwnd(), L"The buttons and My Buttons agree, and every file they name is there.",
                                kTitle, MB_OK | MB_ICONINFORMATION);
        return;
    }
    constexpr size_t kMostShown = 20;
    std::wstring text = L"Found:\n";
    for (size_t i = 0; i < findings.size() && i < kMostShown; ++i) {
        const Finding& finding = findings[i];
        text += L"\n" + (finding.entry.empty() ? finding.guid : Quoted(Escaped(finding.entry))) + L": " +
                FindingText(finding);
    }
    if (findings.size() > kMostShown) text += L"\n... and " + std::to_wstring(findings.size() - kMostShown) + L" more.";
    const auto repairable = std::count_if(findings.begin(), findings.end(), [](const Finding& f) { return f.repairable; });
    if (repairable == 0) {
        services_.messages.Show(Hwnd(), text + L"\n\nNone of it can be repaired by Barsmith.", kTitle,
                                MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    text += L"\n\nRepair the " + std::to_wstring(repairable) +
            L" that can be? Barsmith puts back a missing registry view, removes entries without keys and lists "
            L"keys of its kind that no entry names; it never touches other programs' keys.";
    if (services_.messages.Show(Hwnd(), text, kTitle, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
    const RepairResult result = Buttons().Repair(findings);
    Tell(result.outcome, ButtonRequest::Repair);
    for (const ButtonOutcome& refused : result.refused) Tell(refused, ButtonRequest::Repair);
    RefillList();
    SetStatusNews(std::to_wstring(result.repaired.size()) + L" of " + std::to_wstring(repairable) + L" repaired.");
}

}  // namespace barsmith
