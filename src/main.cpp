#include <windows.h>
#include <commctrl.h>

#include "mainwindow/frmMain.h"
#include "platform/com.h"
#include "platform/form.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) {
    const barsmith::ScopedCom com;
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);

    barsmith::FormRegistry forms;
    barsmith::frmMain main(forms);
    if (!main.Load()) return 1;
    main.Show(showCommand);
    return barsmith::RunMessageLoop(forms);
}
