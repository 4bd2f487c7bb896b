#include "about/about_window.h"

#include <commctrl.h>

#include <string>
#include <utility>
#include <vector>

#include "about/program_version.h"
#include "about/publisher.h"
#include "about/sysinfo.h"
#include "resource.h"
#include "version.h"

namespace barsmith {
namespace {

constexpr int kClientWidth = 5730;   // twips
constexpr int kClientHeight = 3990;  // twips
constexpr COLORREF kTitleColor = 0xFF0000;  // blue, as 0x00BBGGRR
constexpr int kTitleFontHundredthsOfPoint = 975;  // 9.75 point

constexpr wchar_t kDescription[] =
    L"Barsmith adds buttons of your own to the Internet Explorer toolbar, each with an entry in the Tools "
    L"menu, that start the programs of your choice.";
constexpr wchar_t kDisclaimer[] =
    L"Warning: this program is protected by copyright law. Copying or passing on the program, or any part "
    L"of it, without the permission of the Barsmith Project is not allowed and may lead to civil and "
    L"criminal penalties.";

constexpr TwipsRect kLogoAt{120, 120, 1065, 2205};
constexpr TwipsRect kProgramIconAt{5040, 120, 480, 480};

using K = ControlKind;
using A = AboutWindow;

// Every control in tab order; frames come before the controls they hold.
constexpr ControlSpec kControls[] = {
    {A::IDC_Logo, K::Bitmap, kOnForm, L"", kPublisherName, kLogoAt, 0, Click<&A::OnOpenHomePage>},
    {A::IDC_Title, K::WrappingLabel, kOnForm, L"", nullptr, {1560, 240, 2805, 240}, 1},
    {A::IDC_Version, K::WrappingLabel, kOnForm, L"", nullptr, {1560, 600, 2325, 225}, 2},
    {A::IDC_DisclaimerFrame, K::Frame, kOnForm, L"", nullptr, {120, 2405, 4095, 1455}, 3},
    {A::IDC_Disclaimer, K::WrappingLabel, A::IDC_DisclaimerFrame, kDisclaimer, nullptr, {120, 240, 3870, 1185}, 4},
    {A::IDC_DescriptionFrame, K::Frame, kOnForm, L"", nullptr, {1560, 840, 3975, 1095}, 5},
    {A::IDC_Description, K::WrappingLabel, A::IDC_DescriptionFrame, kDescription, nullptr, {120, 120, 3795, 810}, 6},
    {A::IDC_MailingList, K::Button, kOnForm, L"&Join our mailing list", L"Join our mailing list",
     {1560, 2040, 2295, 345}, 7, Click<&A::OnOpenMailingList>},
    {A::IDC_HomePage, K::Button, kOnForm, L"&Barsmith Project", L"Visit the Barsmith Project",
     {4320, 2040, 1245, 345}, 8, Click<&A::OnOpenHomePage>},
    {A::IDC_Close, K::Button, kOnForm, L"Clos&e", L"Close this window", {4290, 2777, 1245, 345}, 9,
     Click<&A::OnClose>},
    {A::IDC_SystemInfo, K::Button, kOnForm, L"&System Info", L"Info about your computer", {4290, 3480, 1245, 345}, 10,
     Click<&A::OnStartSystemInfo>},
    // "start" is no program of its own on Windows: the shell opens the page as the other links do.
    {A::IDC_ProgramIcon, K::Icon, kOnForm, L"", nullptr, kProgramIconAt, 11, Click<&A::OnOpenHomePage>},
};

UniqueFont CreateTitleFont(const Dpi& dpi) {
    LOGFONTW font{};
    font.lfHeight = -MulDiv(kTitleFontHundredthsOfPoint, dpi.y, 7200);
    font.lfWeight = FW_BOLD;
    font.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(font.lfFaceName, L"MS Sans Serif", LF_FACESIZE);
    return UniqueFont(CreateFontIndirectW(&font));
}

ProgramVersion RunningVersion() {
    // The numbers the program was built with stand in if the resource cannot be read.
    return ReadProgramVersion(GetModuleHandleW(nullptr))
        .value_or(ProgramVersion{BARSMITH_VERSION_MAJOR, BARSMITH_VERSION_MINOR, BARSMITH_VERSION_PATCH});
}

}  // namespace

AboutWindow::AboutWindow(FormRegistry& forms, MessageBoxSeam& messages, ShellSeam& shell)
    : Form(forms), messages_(messages), shell_(shell) {}

AboutWindow::~AboutWindow() {
    // Destroy the window while its fonts and pictures still exist.
    Unload();
}

bool AboutWindow::ShowModeless() {
    const bool loading = !IsLoaded();
    if (loading && !Load()) return false;
    ShowWindow(Hwnd(), SW_SHOWNORMAL);
    if (loading) FocusFirstControl();
    SetForegroundWindow(Hwnd());
    return true;
}

bool AboutWindow::Load() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    if (!owner_) {
        owner_.reset(CreateWindowExW(0, WC_STATICW, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr));
    }
    const ClassInfo cls = ClassWithIcon(L"BarsmithAbout", IDI_BARSMITH);
    FormStyle style{WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN, WS_EX_DLGMODALFRAME, kClientWidth,
                    kClientHeight};
    style.owner = owner_.get();
    if (!CreateForm(cls, L"", style)) return false;
    CreateControls();
    OnLoad();
    FitCaptions();
    return true;
}

void AboutWindow::CreateControls() {
    Form::CreateControls(kControls);
    titleLabel_ = ControlById(IDC_Title);
    versionLabel_ = ControlById(IDC_Version);
    SetFonts();
    SetPictures();
}

void AboutWindow::SetFonts() {
    // The push buttons are the form's: it fits their captions.
    UniqueFont fresh = CreateTitleFont(CurrentDpi());
    if (!fresh) return;
    SendMessageW(titleLabel_, WM_SETFONT, reinterpret_cast<WPARAM>(fresh.get()), FALSE);
    SendMessageW(versionLabel_, WM_SETFONT, reinterpret_cast<WPARAM>(fresh.get()), FALSE);
    titleFont_ = std::move(fresh);  // the labels have let go of the font before
}

void AboutWindow::SetPictures() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    const HWND logoBox = ControlById(IDC_Logo);
    UniqueBitmap logo(static_cast<HBITMAP>(LoadImageW(instance, MAKEINTRESOURCEW(IDB_LOGO), IMAGE_BITMAP, 0, 0, 0)));
    BITMAP size{};
    if (logo && GetObjectW(logo.get(), sizeof size, &size)) {
        // The logo is drawn for 96 DPI; it grows with the screen's.
        const int width = ScaleFrom96(size.bmWidth, CurrentDpi().x);
        const int height = ScaleFrom96(size.bmHeight, CurrentDpi().y);
        if (width != size.bmWidth || height != size.bmHeight) {
            if (const HANDLE scaled = CopyImage(logo.get(), IMAGE_BITMAP, width, height, 0))
                logo.reset(static_cast<HBITMAP>(scaled));
        }
    }
    SendMessageW(logoBox, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(logo.get()));
    logo_ = std::move(logo);
    // A bitmap static takes the bitmap's size; the picture box keeps its own.
    const RECT box = ToPixels(kLogoAt, CurrentDpi());
    SetWindowPos(logoBox, nullptr, 0, 0, box.right - box.left, box.bottom - box.top, SWP_NOMOVE | SWP_NOZORDER);

    const int iconSize = TwipsToPixels(kProgramIconAt.width, CurrentDpi().x);
    UniqueIcon icon(
        static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_WEBPAGE), IMAGE_ICON, iconSize, iconSize, 0)));
    SendMessageW(ControlById(IDC_ProgramIcon), STM_SETICON, reinterpret_cast<WPARAM>(icon.get()), 0);
    programIcon_ = std::move(icon);
}

void AboutWindow::OnDpiChanged() {
    SetFonts();
    SetPictures();
}

// --- Event handlers -------------------------------------------------------

void AboutWindow::OnLoad() {
    SetWindowTextW(Hwnd(), (std::wstring(L"About ") + kAppTitle).c_str());
    SetWindowTextW(versionLabel_, VersionText(RunningVersion()).c_str());
    SetWindowTextW(titleLabel_, kAppTitle);
}

void AboutWindow::OnOpenMailingList() { OpenPage(kMailingListPage); }

void AboutWindow::OnOpenHomePage() { OpenPage(kHomePage); }

void AboutWindow::OnClose() { Unload(); }

void AboutWindow::OnStartSystemInfo() { StartSysInfo(Hwnd(), shell_, messages_); }

void AboutWindow::OpenPage(const wchar_t* address) {
    // Nothing is reported when the page cannot be opened.
    shell_.Execute(Hwnd(), L"open", address, L"", SW_SHOWNORMAL);
}

// --- Messages ---------------------------------------------------------------

COLORREF AboutWindow::LabelTextColor(HWND label) const {
    return label == titleLabel_ || label == versionLabel_ ? kTitleColor : Form::LabelTextColor(label);
}

}  // namespace barsmith
