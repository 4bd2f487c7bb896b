#include "mainwindow/frmMain.h"

#include "resource.h"

namespace barsmith {
namespace {
constexpr int kClientWidth = 7320;   // twips
constexpr int kClientHeight = 5115;  // twips
}  // namespace

frmMain::frmMain(FormRegistry& forms) : Form(forms) {}

bool frmMain::Load() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    ClassInfo cls{L"BarsmithMain"};
    cls.icon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_BARSMITH));
    cls.smallIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_BARSMITH), IMAGE_ICON,
                                                  GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    const FormStyle style{WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN, 0,
                          kClientWidth, kClientHeight};
    return CreateForm(cls, L"Create Custom Internet Explorer Buttons and Menus", style);
}

void frmMain::Show(int showCommand) {
    ShowWindow(Hwnd(), showCommand);
    UpdateWindow(Hwnd());
}

}  // namespace barsmith
