#pragma once
// The About window: the program's title and version, a description and a legal
// notice, the publisher's pages and the System Information launcher. It is
// modeless, and there is at most one.
#include <windows.h>

#include "platform/form.h"
#include "platform/handles.h"
#include "platform/message_box.h"
#include "platform/shell.h"

namespace barsmith {

class frmAbout final : public Form {
public:
    // Control identifiers, one per control of the window.
    enum ControlId : int {
        IDC_picIcon = 300,
        IDC_lblTitle,
        IDC_lblVersion,
        IDC_Frame1,
        IDC_lblDisclaimer,
        IDC_Frame2,
        IDC_lblDescription,
        IDC_Command1,
        IDC_Command2,
        IDC_Command3,
        IDC_Command4,
        IDC_Image1,
    };

    frmAbout(FormRegistry& forms, MessageBoxSeam& messages, ShellSeam& shell);
    ~frmAbout() override;

    // Loads the window when it is not loaded (which runs Form_Load) and shows it;
    // an open window is only brought forward. False when it cannot be created.
    bool ShowModeless();

    // Event handlers, named after their control and event.
    void Form_Load();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void picIcon_Click();
    void Image1_Click();

protected:
    COLORREF LabelTextColor(HWND label) const override;
    void OnDpiChanged() override;

private:
    using UniqueWindow = UniqueHandle<NullHandleTraits<HWND, DestroyWindow>>;

    bool Load();
    void CreateControls();
    void SetFonts();
    void SetPictures();
    void OpenPage(const wchar_t* address);

    MessageBoxSeam& messages_;
    ShellSeam& shell_;
    // A hidden window that owns the About window and so keeps it out of the
    // taskbar. The main window cannot own it: the About window must outlive it.
    UniqueWindow owner_;
    UniqueFont titleFont_;
    UniqueBitmap logo_;
    UniqueIcon programIcon_;
    HWND lblTitle_ = nullptr;
    HWND lblVersion_ = nullptr;
};

}  // namespace barsmith
