#include <windows.h>
#include <commctrl.h>

#include <optional>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "mainwindow/main_window.h"
#include "mainwindow/restart_form.h"
#include "platform/common_dialog.h"
#include "platform/elevation.h"
#include "platform/form.h"
#include "platform/message_box.h"
#include "platform/shell.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int showCommand) {
    // "window ...": a copy of the program that started this one as
    // administrator hands over its form; any other arguments are a command.
    std::optional<barsmith::FormStart> start;
    if (barsmith::HasArguments(commandLine)) {
        std::vector<std::wstring> arguments;
        for (int i = 1; __wargv && i < __argc; ++i) arguments.emplace_back(__wargv[i]);
        start = barsmith::ParseFormStart(arguments);
        if (!start) return barsmith::RunCommandLine(arguments);
    }
    // The tool tips' classes are registered when the tips are first made.
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    barsmith::SystemMessageBox messages;
    barsmith::SystemFileDialog fileDialog;
    barsmith::SystemShell shell;
    barsmith::SystemRegistry registry;
    barsmith::SystemElevation elevation;
    barsmith::FormRegistry forms;
    barsmith::MainWindow main(forms, {messages, fileDialog, shell, registry, elevation});
    if (!main.Load()) return 1;
    if (start) main.StartWith(*start);
    main.Show(showCommand);
    return barsmith::RunMessageLoop(forms);
}
