// Entry point of the tests that run at 144 DPI. The system reads the DPI
// when a process starts, so this program sets the user's DPI, starts itself
// again to run the tests, and puts the setting back when that run ends. CTest
// keeps the other tests of the prefix from starting meanwhile (RESOURCE_LOCK).
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>

#include "platform/handles.h"
#include "platform/shell.h"

namespace {

constexpr char kChildFlag[] = "--at-high-dpi";
constexpr wchar_t kDesktopKey[] = L"Control Panel\\Desktop";
constexpr wchar_t kLogPixels[] = L"LogPixels";

// The user's LogPixels set to `dpi` for the life of the object.
class LogPixelsSetting {
public:
    explicit LogPixelsSetting(DWORD dpi) {
        DWORD value = 0;
        DWORD size = sizeof value;
        if (RegGetValueW(HKEY_CURRENT_USER, kDesktopKey, kLogPixels, RRF_RT_REG_DWORD, nullptr, &value, &size) ==
            ERROR_SUCCESS)
            saved_ = value;
        RegSetKeyValueW(HKEY_CURRENT_USER, kDesktopKey, kLogPixels, REG_DWORD, &dpi, sizeof dpi);
    }
    LogPixelsSetting(const LogPixelsSetting&) = delete;
    LogPixelsSetting& operator=(const LogPixelsSetting&) = delete;
    ~LogPixelsSetting() {
        if (saved_) {
            RegSetKeyValueW(HKEY_CURRENT_USER, kDesktopKey, kLogPixels, REG_DWORD, &*saved_, sizeof *saved_);
        } else {
            RegDeleteKeyValueW(HKEY_CURRENT_USER, kDesktopKey, kLogPixels);
        }
    }

private:
    std::optional<DWORD> saved_;
};

int RunAtHighDpi() {
    const LogPixelsSetting setting(144);
    std::wstring commandLine = GetCommandLineW();
    commandLine += L" --at-high-dpi";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(barsmith::ModuleFileName(nullptr).c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0,
                        nullptr, nullptr, &startup, &info))
        return 1;
    const barsmith::UniqueKernelHandle process(info.hProcess);
    const barsmith::UniqueKernelHandle thread(info.hThread);
    DWORD code = 1;
    if (WaitForSingleObject(process.get(), 110000) != WAIT_OBJECT_0) TerminateProcess(process.get(), 1);
    GetExitCodeProcess(process.get(), &code);
    return static_cast<int>(code);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || std::strcmp(argv[argc - 1], kChildFlag) != 0) return RunAtHighDpi();
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
