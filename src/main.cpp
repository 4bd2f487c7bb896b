#include <windows.h>
#include <commctrl.h>

#include "cli/command_line.h"
#include "mainwindow/main_window.h"
#include "platform/common_dialog.h"
#include "platform/form.h"
#include "platform/message_box.h"
#include "platform/shell.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int showCommand) {
    if (barsmith::HasArguments(commandLine)) return barsmith::RunCommandLine();
    // The tool tips' classes are registered when the tips are first made.
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    barsmith::SystemMessageBox messages;
    barsmith::SystemFileDialog fileDialog;
    barsmith::SystemShell shell;
    barsmith::SystemRegistry registry;
    barsmith::FormRegistry forms;
    barsmith::MainWindow main(forms, {messages, fileDialog, shell, registry});
    if (!main.Load()) return 1;
    main.Show(showCommand);
    return barsmith::RunMessageLoop(forms);
}
