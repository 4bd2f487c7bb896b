#pragma once
// The one working window: the fields of a new toolbar button, the status line,
// the Tools Menu / My Buttons panels and the command row.
#include <windows.h>

#include <commctrl.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "about/about_window.h"
#include "storage/my_buttons_catalogue.h"
#include "operations/toolbar_buttons.h"
#include "mainwindow/button_messages.h"
#include "infoheader/InfoHeader.h"
#include "mainwindow/my_buttons_reader.h"
#include "mainwindow/package_dialog.h"
#include "mainwindow/restart_form.h"
#include "mainwindow/toolbar_strip.h"
#include "operations/my_buttons_rows.h"
#include "platform/common_dialog.h"
#include "platform/elevation.h"
#include "platform/form.h"
#include "platform/handles.h"
#include "platform/message_box.h"
#include "platform/shell.h"

namespace barsmith {

// The platform services the window works through; tests hand in scripted ones.
struct MainWindowServices {
    MessageBoxSeam& messages;
    FileDialogSeam& fileDialog;
    ShellSeam& shell;
    RegistryApi& registry;
    ElevationSeam& elevation;
    // Asks the name and version of an installer package; none: the window's own dialog.
    PackageQuestionSeam* packageQuestion = nullptr;
};

// The columns of the My Buttons list, in its order.
enum class ListColumn { Text, Kind, For, State };
inline constexpr int kListColumns = 4;

using UniqueImageList = UniqueHandle<NullHandleTraits<HIMAGELIST, ImageList_Destroy>>;

// Control identifiers, one per control of the window.
enum ControlId : int {
    IDC_ButtonFrame = 100,
    IDC_ApplicationLabel,
    IDC_ApplicationPath,
    IDC_PickApplication,
    IDC_IconLabel,
    IDC_IconPath,
    IDC_PickIcon,
    IDC_HotIconLabel,
    IDC_HotIconPath,
    IDC_PickHotIcon,
    IDC_ButtonTextLabel,
    IDC_ButtonText,
    IDC_Status,
    IDC_MenuFrame,
    IDC_MenuTextLabel,
    IDC_MenuText,
    IDC_StatusBarTextLabel,
    IDC_StatusBarText,
    IDC_ToolTipLabel,
    IDC_ToolTip,
    IDC_MyButtonsFrame,
    IDC_MyButtonsList,
    IDC_DeleteSelected,
    IDC_Preview,
    IDC_About,
    IDC_Help,
    IDC_SwitchView,
    IDC_CreateButton,
    IDC_Close,
    IDC_PreviewedGuid,
    IDC_NextGuid,
    IDC_PreviewedIconPath,
    IDC_HiveFrame,
    IDC_CurrentUserOnly,
    IDC_AllUsers,
    IDC_ButtonVisible,
    IDC_MakeGuid,
    IDC_Header,
    IDC_EntryFrame,
    IDC_RunsProgram,
    IDC_RunsScript,
    IDC_MenuOnly,
    IDC_HelpMenu,
    IDC_ChangeIcon,
    IDC_ChangeHotIcon,
    IDC_Check,
    IDC_ToolbarFrame,
    IDC_ToolbarStrip,
};

// The commands of the My Buttons list's shortcut menu.
enum MenuId : int { IDM_Edit = 300, IDM_Export, IDM_Delete, IDM_Check };

inline constexpr wchar_t kCreateCaption[] = L"Create &Button";
inline constexpr wchar_t kSaveCaption[] = L"Save &Button";

inline constexpr wchar_t kDefaultStatus[] = L"All fields are required except \"Hot Icon\" which is optional";
inline constexpr COLORREF kStatusDefaultColor = 0x000000;  // black
inline constexpr COLORREF kStatusCreatedColor = 0xFF0000;  // blue, as 0x00BBGGRR

class MainWindow final : public Form {
public:
    MainWindow(FormRegistry& forms, const MainWindowServices& services);
    ~MainWindow() override;

    // Creates the window and its controls and runs OnLoad; the window stays
    // hidden until Show.
    bool Load();
    void Show(int showCommand);
    // Fills the form as a copy of the program left it when it started this
    // one as administrator: the edited entry is loaded again from My Buttons.
    void StartWith(const FormStart& start);

    // The control, made on first use if the first paint does not show it.
    HWND Control(ControlId id);
    const InfoHeader& Header() const { return header_; }
    COLORREF StatusColor() const { return statusColor_; }
    // The text of a control that has been made; empty for one that has not.
    std::wstring Text(ControlId id) const;
    void SetText(ControlId id, const std::wstring& text);

    // Event handlers, named after what they do.
    void OnLoad();
    void OnHelp();
    void OnSwitchView();
    void OnClose();
    void OnAbout();
    void OnMakeGuid();
    void OnPickApplication();
    void OnPickIcon();
    void OnPickHotIcon();
    void OnCreateButton();
    void OnDeleteSelected();
    void OnSelectionChanged();
    // Double-click, Enter or the shortcut menu's Edit on an entry: loads its
    // button for editing.
    void OnEditSelected();
    void OnExportSelected();
    // A program or a script, a menu item only, the Help menu: the fields
    // that kind of entry has no use for are disabled.
    void OnChooseKind();
    // Picks the icon inside a program or DLL with the system's icon picker.
    void OnChangeIcon();
    void OnChangeHotIcon();
    // Checks the buttons and My Buttons, tells what is wrong and, when the
    // user agrees, repairs what can be.
    void OnCheck();
    // The same for the selected entries only (the list's shortcut menu).
    void OnCheckSelected();
    // The options and the box out of view, clicked: the target follows them.
    void OnChooseHive();
    void OnChooseVisibility();
    // Starts reading My Buttons on the reader's thread; the list says so
    // until the rows come, and takes them in the order it shows.
    void LoadMyButtons();
    // Whether the list waits for a reading of My Buttons.
    bool ReadingList() const { return reader_.Pending(); }
    // Orders the list by the column, ascending, or descending when it is so
    // ordered already; the selection stays with its entries.
    void SortBy(ListColumn column);
    // The text of a cell of the list, at its place as shown.
    std::wstring ListText(size_t item, ListColumn column) const;
    size_t ListCount() const { return order_.size(); }
    // The catalogue entries of the selected items, in the order shown.
    std::vector<std::wstring> SelectedEntries() const;
    // Whether Create or Save needs rights this copy lacks: it then bears the shield.
    bool NeedsElevation() const;
    const ToolbarStrip& Strip() const { return strip_; }
    // Empties the list and the previewed GUID, then fills the list again.
    void RefillList();

    // The status line: black with the default text, or blue with news.
    void SetStatusDefault();
    void SetStatusCreated(const std::wstring& buttonText);
    void SetStatusNews(const std::wstring& text);

    // The working state. The controls out of view show it once they are made.
    const std::wstring& NextGuid() const { return nextGuid_; }  // the GUID the next button gets
    HKEY TargetHive() const { return targetHive_; }              // where the next button goes
    bool ButtonVisible() const { return buttonVisible_; }        // whether it shows at first
    const std::wstring& PreviewedGuid() const { return previewedGuid_; }
    const std::wstring& PreviewedIconPath() const { return previewedIconPath_; }

    // The kind of entry the form makes: only its kind flags are set.
    ButtonDefinition KindOfEntry() const;

    // The catalogue entry whose button the form holds for editing, if any.
    const std::optional<std::wstring>& EditedEntry() const { return editing_; }

protected:
    COLORREF LabelTextColor(HWND label) const override;
    void OnCommand(int id, int code, HWND control) override;
    void OnKeyDown(WORD keyCode, WORD shift) override;
    void OnContextMenu(HWND control, POINT at) override;
    LRESULT OnNotify(const NMHDR& note) override;
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void ReportUnexpected(const std::wstring& text) override;
    void OnDpiChanged() override;
    void OnGroupMade(const ControlSpec& group) override;
    HWND CreateCustomControl(const ControlSpec& spec, HWND parent) override;

private:
    struct Picker {
        const wchar_t* filter;
        const wchar_t* title;
        bool startInIcons;
        ControlId target;
    };
    void ReadHeaderProperties();
    void CreateControls();
    // The preview's side in pixels at the window's DPI.
    int PreviewSize() const;
    void RunPicker(const Picker& picker);
    bool InToolsMenuMode() const;
    ToolbarButtons Buttons() const;
    // Shows what the window tells of the outcome.
    void Tell(const ButtonOutcome& outcome, ButtonRequest request);
    ButtonOutcome Write(const ButtonDefinition& button);
    // The working state, kept here and shown by those of its controls that have been made.
    void SetNextGuid(const std::wstring& guid);
    void SetTarget(HKEY hive, bool visible);
    void SetPreviewedGuid(const std::wstring& guid);
    void SetPreviewedIconPath(const std::wstring& path);
    void ShowTarget();
    void ShowText(ControlId id, const std::wstring& text);
    void StartEditing(const std::wstring& entry, const ButtonDefinition& button);
    void SetKindOfEntry(const ButtonDefinition& kind);
    void PickIconInside(ControlId box);
    void SetStatus(const std::wstring& text, COLORREF color);
    // Work of a while on the window's thread: the wait cursor until the
    // object goes, and `ShowProgress` on the status line, put back then.
    class Busy;
    // Leaves editing with nothing written: fields emptied, caption restored.
    void LeaveEditing();
    // The catalogue entry of the selected item, by its place in the list:
    // the list may not show every name faithfully. Empty unless exactly one is selected.
    std::wstring SelectedEntry() const;
    std::vector<size_t> SelectedRows() const;  // indexes into rows_
    void SelectRows(const std::vector<size_t>& rows);
    void SetUpList();
    void SetColumnWidths();
    void FillDisplayInfo(NMLVDISPINFOW& info);
    LRESULT DrawReadingItem(const NMLVCUSTOMDRAW& draw) const;
    // The reader's rows of reading `number`, unless a later one was asked for.
    void OnRowsRead(WPARAM number);
    int ImageOf(const MyButtonsRow& row);
    void OnListKey(WORD key);
    // Where a new button goes unless the user says otherwise: everyone's when
    // this copy may write there, else the user's own.
    HKEY DefaultHive() const { return elevated_ ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }
    void UpdateShield();
    // Offers to start the program again as administrator with the form; false when it did not.
    void OfferElevation(const ButtonDefinition& button);
    // The strip shows the form, or in the My Buttons view the selected entry.
    void UpdateStrip();
    void ShowFindings(const std::vector<Finding>& findings);

    MainWindowServices services_;
    InfoHeader header_;
    // Kept for the window's lifetime: it remembers the list it read last.
    MyButtonsCatalogue catalogue_{services_.registry};
    FileDialog filePicker_;
    FileDialog exportDialog_{services_.fileDialog};  // its own, so the pickers keep offering their files
    PackageDialog packageDialog_;
    PackageDetails packageDetails_;  // as last given, offered again
    AboutWindow about_{forms_, services_.messages, services_.shell};
    COLORREF statusColor_ = kStatusDefaultColor;
    UniqueIcon previewIcon_;
    MyButtonsReader reader_{services_.registry, catalogue_.Application()};
    std::vector<MyButtonsRow> rows_;  // the catalogue's entries, in the order of their texts
    std::vector<size_t> order_;       // the rows as the list shows them
    ListColumn sortColumn_ = ListColumn::Text;
    bool sortDescending_ = false;
    UniqueImageList images_;           // the entries' icons, small, as the list needs them
    std::map<std::wstring, int> imageOf_;  // an icon location's image in images_, -1 when it has none
    ToolbarStrip strip_;
    bool elevated_ = false;
    bool quietSelection_ = false;  // the window itself is setting the selection
    std::optional<std::wstring> editing_;
    std::wstring nextGuid_;
    HKEY targetHive_ = HKEY_LOCAL_MACHINE;
    bool buttonVisible_ = true;
    std::wstring previewedGuid_;
    std::wstring previewedIconPath_;  // kept when the preview is emptied, until the next one
};

}  // namespace barsmith
