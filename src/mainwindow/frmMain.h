#pragma once
// The one working window: the fields of a new toolbar button, the status line,
// the Tools Menu / My Buttons panels and the command row.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "about/frmAbout.h"
#include "extensions/my_buttons_catalogue.h"
#include "extensions/toolbar_buttons.h"
#include "infoheader/InfoHeader.h"
#include "platform/common_dialog.h"
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
};

// Control identifiers, one per control of the window.
enum ControlId : int {
    IDC_FraButton = 100,
    IDC_Label1,
    IDC_Text2,
    IDC_cmdApp,
    IDC_Label2,
    IDC_Text3,
    IDC_Command3,
    IDC_Label4,
    IDC_Text5,
    IDC_Command4,
    IDC_Label3,
    IDC_Text4,
    IDC_lblMessage,
    IDC_FraMenu,
    IDC_Label5,
    IDC_Text6,
    IDC_Label6,
    IDC_Text7,
    IDC_Label7,
    IDC_Text8,
    IDC_FraMine,
    IDC_List1,
    IDC_Command5,
    IDC_Picture1,
    IDC_cmdAbout,
    IDC_cmdHelp,
    IDC_cmdMyKeys,
    IDC_Command2,
    IDC_cmdClose,
    IDC_Label8,
    IDC_Text1,
    IDC_lblPath,
    IDC_Frame1,
    IDC_Option1,
    IDC_Option2,
    IDC_Check1,
    IDC_Command1,
    IDC_InfoHeader1,
};

// The commands of the My Buttons list's shortcut menu.
enum MenuId : int { IDM_Edit = 300, IDM_Export, IDM_Delete };

inline constexpr wchar_t kCreateCaption[] = L"Create &Button";
inline constexpr wchar_t kSaveCaption[] = L"Save &Button";

inline constexpr wchar_t kDefaultStatus[] = L"All fields are required except \"Hot Icon\" which is optional";
inline constexpr COLORREF kStatusDefaultColor = 0x000000;  // black
inline constexpr COLORREF kStatusCreatedColor = 0xFF0000;  // blue, as 0x00BBGGRR

class frmMain final : public Form {
public:
    frmMain(FormRegistry& forms, const MainWindowServices& services);
    ~frmMain() override;

    // Creates the window and its controls and runs Form_Load; the window stays
    // hidden until Show.
    bool Load();
    void Show(int showCommand);

    HWND Control(ControlId id) const;
    const InfoHeader& Header() const { return InfoHeader1; }
    COLORREF StatusColor() const { return statusColor_; }
    std::wstring Text(ControlId id) const;
    void SetText(ControlId id, const std::wstring& text) const;

    // Event handlers, named after their control and event.
    void Form_Load();
    void cmdHelp_Click();
    void cmdMyKeys_Click();
    void cmdClose_Click();
    void cmdAbout_Click();
    void Command1_Click();
    void cmdApp_Click();
    void Command3_Click();
    void Command4_Click();
    void Command2_Click();
    void Command5_Click();
    void List1_Click();
    // Double-click, or Enter, on an entry: loads its button for editing.
    void List1_DblClick();
    void mnuEdit_Click() { List1_DblClick(); }
    void mnuExport_Click();
    void mnuDelete_Click() { Command5_Click(); }
    void LoadMyButtons();
    // Empties the list and the previewed GUID, then fills the list again.
    void RefillList();

    // The status line: black with the default text, or blue with news.
    void SetStatusDefault();
    void SetStatusCreated(const std::wstring& buttonText);
    void SetStatusNews(const std::wstring& text);

    // The working state that the window keeps in controls out of view.
    std::wstring NextGuid() const { return Text(IDC_Text1); }  // the GUID the next button gets
    HKEY TargetHive() const;                                      // where the next button goes
    bool ButtonVisible() const;                                   // whether it shows at first
    std::wstring PreviewedGuid() const { return Text(IDC_Label8); }

    // The catalogue entry whose button the form holds for editing, if any.
    const std::optional<std::wstring>& EditedEntry() const { return editing_; }

protected:
    COLORREF LabelTextColor(HWND label) const override;
    void OnCommand(int id, int code, HWND control) override;
    void Form_KeyDown(WORD keyCode, WORD shift) override;
    void OnContextMenu(HWND control, POINT at) override;
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
    void SetNextGuid(const std::wstring& guid) const { SetText(IDC_Text1, guid); }
    void SetTarget(HKEY hive, bool visible) const;
    void SetPreviewedGuid(const std::wstring& guid) const { SetText(IDC_Label8, guid); }
    void StartEditing(const std::wstring& entry, const ButtonDefinition& button);
    // Leaves editing with nothing written: fields emptied, caption restored.
    void LeaveEditing();
    // The catalogue entry of the selected item, by its place in the list:
    // the list may not show every name faithfully. Empty when none is selected.
    std::wstring SelectedEntry() const;

    MainWindowServices services_;
    InfoHeader InfoHeader1;
    // Kept for the window's lifetime: it remembers the list it read last.
    MyButtonsCatalogue catalogue_{services_.registry};
    CommonDialog cdlg;
    CommonDialog exportDialog_{services_.fileDialog};  // its own, so the pickers keep offering their files
    frmAbout about_{forms_, services_.messages, services_.shell};
    COLORREF statusColor_ = kStatusDefaultColor;
    UniqueIcon pictureIcon_;
    std::vector<std::wstring> listed_;  // the catalogue entries, as the list shows them
    std::optional<std::wstring> editing_;
};

}  // namespace barsmith
