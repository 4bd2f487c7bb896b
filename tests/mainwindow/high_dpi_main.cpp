// Entry point of the tests that run at 144 DPI. The system reads the DPI when
// a process starts, so this program sets the user's DPI in the test prefix,
// runs its tests in a child of its own and then puts the setting back.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstring>

#include "platform/handles.h"
#include "platform/shell.h"

namespace {

constexpr wchar_t kDesktop[] = L"Control Panel\\Desktop";

int RunChildAt(DWORD dpi) {
    DWORD saved = 0;
    DWORD size = sizeof saved;
    const bool had = RegGetValueW(HKEY_CURRENT_USER, kDesktop, L"LogPixels", RRF_RT_REG_DWORD, nullptr, &saved,
                                  &size) == ERROR_SUCCESS;
    RegSetKeyValueW(HKEY_CURRENT_USER, kDesktop, L"LogPixels", REG_DWORD, &dpi, sizeof dpi);
    std::wstring commandLine = std::wstring(GetCommandLineW()) + L" --child";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    DWORD code = 1;
    if (CreateProcessW(barsmith::ModuleFileName(nullptr).c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0,
                       nullptr, nullptr, &startup, &info)) {
        const barsmith::UniqueKernelHandle process(info.hProcess);
        const barsmith::UniqueKernelHandle thread(info.hThread);
        if (WaitForSingleObject(process.get(), 100000) != WAIT_OBJECT_0) TerminateProcess(process.get(), 1);
        GetExitCodeProcess(process.get(), &code);
    }
    if (had) {
        RegSetKeyValueW(HKEY_CURRENT_USER, kDesktop, L"LogPixels", REG_DWORD, &saved, sizeof saved);
    } else {
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kDesktop, L"LogPixels");
    }
    return static_cast<int>(code);
}

}  // namespace

int main(int argc, char** argv) {
    if (std::strcmp(argv[argc - 1], "--child") != 0) return RunChildAt(144);
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
