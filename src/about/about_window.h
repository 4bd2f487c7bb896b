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

class AboutWindow final : public Form {
public:
    // Control identifiers, one per control of the window.
    enum ControlId : int {
        IDC_Logo = 300,
        IDC_Title,
        IDC_Version,
        IDC_DisclaimerFrame,
        IDC_Disclaimer,
        IDC_DescriptionFrame,
        IDC_Description,
        IDC_MailingList,
        IDC_HomePage,
        IDC_Close,
        IDC_SystemInfo,
        IDC_ProgramIcon,
    };

    AboutWindow(FormRegistry& forms, MessageBoxSeam& messages, ShellSeam& shell);
    ~AboutWindow() override;

    // Loads the window when it is not loaded (which runs OnLoad) and shows it;
    // an open window is only brought forward. False when it cannot be created.
    bool ShowModeless();

    // Event handlers, named after what they do. The logo and the program's
    // icon open the home page too.
    void OnLoad();
    void OnOpenMailingList();
    void OnOpenHomePage();
    void OnClose();
    void OnStartSystemInfo();

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
    HWND titleLabel_ = nullptr;
    HWND versionLabel_ = nullptr;
};

}  // namespace barsmith
