// Barsmith's MSI package as an administrator uses it, with the system's own
// msiexec: a silent upgrade over an older version, second installs refused,
// the installed program started, and a silent removal that leaves the user's
// buttons alone.
#include <windows.h>
#include <msi.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "model/guid.h"
#include "storage/my_buttons_catalogue.h"
#include "package_paths.h"
#include "platform/handles.h"
#include "platform/shell.h"
#include "support/extension_keys.h"

namespace barsmith {
namespace {

namespace fs = std::filesystem;
using Microsoft::WRL::ComPtr;

constexpr wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// A file of the build, named relative to the test executable's folder, as a full path.
std::wstring BuildPath(const wchar_t* relative) {
    const std::wstring joined = ExecutableFolder() + L"\\" + relative;
    wchar_t full[MAX_PATH]{};
    return GetFullPathNameW(joined.c_str(), MAX_PATH, full, nullptr) ? full : joined;
}

// Starts the command line; no handle when the process could not start.
UniqueKernelHandle Start(std::wstring command) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started))
        return {};
    CloseHandle(started.hThread);
    return UniqueKernelHandle(started.hProcess);
}

DWORD Msiexec(const std::wstring& arguments) {
    const UniqueKernelHandle process = Start(L"msiexec.exe " + arguments);
    if (!process) return GetLastError();
    DWORD code = WAIT_TIMEOUT;
    if (WaitForSingleObject(process.get(), 120'000) == WAIT_OBJECT_0) GetExitCodeProcess(process.get(), &code);
    return code;
}
DWORD Install(const wchar_t* package) { return Msiexec(L"/i \"" + BuildPath(package) + L"\" /qn"); }

// What Programs and Features lists for Barsmith: product code -> "version, publisher".
std::map<std::wstring, std::wstring> ProgramsAndFeatures() {
    std::map<std::wstring, std::wstring> entries;
    SystemRegistry api;
    RegKey key;
    std::vector<std::wstring> codes;
    if (key.Open(api, HKEY_LOCAL_MACHINE, kUninstallKey, KEY_READ) || key.SubKeyNames(codes)) return entries;
    for (const std::wstring& code : codes) {
        RegKey entry;
        entry.Open(api, HKEY_LOCAL_MACHINE, std::wstring(kUninstallKey) + L"\\" + code, KEY_READ);
        if (entry.Text(L"DisplayName") == L"Barsmith")
            entries[code] = entry.Text(L"DisplayVersion") + L", " + entry.Text(L"Publisher");
    }
    return entries;
}

// Every file below `root` by its relative path, with its size.
std::map<std::wstring, uintmax_t> FilesBelow(const std::wstring& root) {
    std::map<std::wstring, uintmax_t> files;
    std::error_code error;
    for (fs::recursive_directory_iterator it(root, error), end; !error && it != end; it.increment(error)) {
        if (it->is_regular_file()) files[it->path().lexically_relative(root).wstring()] = it->file_size();
    }
    return files;
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::wstring ShellFolder(int folder) {
    wchar_t path[MAX_PATH]{};
    return SUCCEEDED(SHGetFolderPathW(nullptr, folder, nullptr, SHGFP_TYPE_CURRENT, path)) ? path : L"";
}

// The Start-menu shortcuts named Barsmith. Windows puts a per-machine
// product's shortcut in the all-users Programs folder; Wine's installer puts
// it in the user's own.
std::vector<std::wstring> StartMenuShortcuts() {
    std::vector<std::wstring> found;
    for (const int folder : {CSIDL_COMMON_PROGRAMS, CSIDL_PROGRAMS}) {
        const std::wstring link = ShellFolder(folder) + L"\\Barsmith.lnk";
        if (Exists(link)) found.push_back(link);
    }
    return found;
}

struct Shortcut {
    std::wstring target;
    std::wstring icon;
};
Shortcut Resolve(const std::wstring& link) {
    ComPtr<IShellLinkW> shell;
    ComPtr<IPersistFile> file;
    Shortcut read;
    wchar_t text[MAX_PATH]{};
    int index = 0;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&shell))) ||
        FAILED(shell.As(&file)) || FAILED(file->Load(link.c_str(), STGM_READ)))
        return read;
    if (SUCCEEDED(shell->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH))) read.target = text;
    if (SUCCEEDED(shell->GetIconLocation(text, MAX_PATH, &index))) read.icon = text;
    return read;
}

// The visible Barsmith main window of `process`, not one that another test shows.
HWND MainWindowOf(DWORD process) {
    for (HWND window = nullptr; (window = FindWindowExW(nullptr, window, L"BarsmithMain", nullptr));) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == process && IsWindowVisible(window)) return window;
    }
    return nullptr;
}

// Starts the program, waits up to 20 s for its window and closes it; true
// when the window came and the program then ended.
bool ShowsItsWindow(const std::wstring& program) {
    const UniqueKernelHandle process = Start(L"\"" + program + L"\"");
    if (!process) return false;
    HWND window = nullptr;
    for (int tries = 0; !window && tries < 200; ++tries) {
        Sleep(100);
        window = MainWindowOf(GetProcessId(process.get()));
    }
    if (window) PostMessageW(window, WM_CLOSE, 0, 0);
    else TerminateProcess(process.get(), 1);
    return window && WaitForSingleObject(process.get(), 20'000) == WAIT_OBJECT_0;
}

class PackageTest : public ::testing::Test {
protected:
    // A copy left by an earlier run that stopped half-way would turn the
    // first install into a refused one.
    void SetUp() override { RemoveEveryCopy(); }
    void TearDown() override {
        RemoveEveryCopy();
        catalogue.Remove(buttonText);
    }
    static void RemoveEveryCopy() {
        for (const auto& [code, versionAndPublisher] : ProgramsAndFeatures()) Msiexec(L"/x " + code + L" /qn");
    }

    const std::wstring installed = ShellFolder(CSIDL_PROGRAM_FILES) + L"\\Barsmith";
    const std::wstring current = L"" BARSMITH_PACKAGE_VERSION L", Barsmith Project";
    SystemRegistry registry;
    MyButtonsCatalogue catalogue{registry};
    testing::MadeKeys keys;
    const std::wstring& guid = keys.Add(CreateGUID());
    const std::wstring buttonText = L"Package test " + guid;
};

TEST_F(PackageTest, UpgradesRefusesSecondInstallsAndRemovesOnlyWhatItInstalled) {
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, ExtensionKeyPath(guid).c_str(), L"ButtonText", REG_SZ,
                              buttonText.c_str(), static_cast<DWORD>((buttonText.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
    ASSERT_EQ(catalogue.Record(buttonText, guid), ERROR_SUCCESS);

    ASSERT_EQ(Install(BARSMITH_OLDER_PACKAGE), ERROR_SUCCESS);
    ASSERT_EQ(ProgramsAndFeatures().size(), 1u);
    ASSERT_EQ(Install(BARSMITH_PACKAGE), ERROR_SUCCESS);
    const auto entries = ProgramsAndFeatures();
    ASSERT_EQ(entries.size(), 1u) << "the upgrade leaves one entry";
    const std::wstring code = entries.begin()->first;
    EXPECT_EQ(entries.begin()->second, current);
    wchar_t icon[MAX_PATH]{};
    DWORD length = MAX_PATH;
    EXPECT_EQ(MsiGetProductInfoW(code.c_str(), INSTALLPROPERTY_PRODUCTICON, icon, &length), ERROR_SUCCESS);
    EXPECT_TRUE(Exists(icon)) << "the entry's icon";

    std::map<std::wstring, uintmax_t> staged = FilesBelow(BuildPath(BARSMITH_STAGE));
    staged.erase(L"README.txt");
    EXPECT_EQ(FilesBelow(installed), staged) << "the program, its help and the sample icons, as built";
    const std::vector<std::wstring> shortcuts = StartMenuShortcuts();
    ASSERT_EQ(shortcuts.size(), 1u);
    const Shortcut shortcut = Resolve(shortcuts.front());
    EXPECT_EQ(CompareStringOrdinal(shortcut.target.c_str(), -1, (installed + L"\\barsmith.exe").c_str(), -1, TRUE),
              CSTR_EQUAL)
        << shortcut.target;
    EXPECT_TRUE(Exists(shortcut.icon)) << shortcut.icon;
    EXPECT_TRUE(ShowsItsWindow(shortcut.target));

    EXPECT_EQ(Install(BARSMITH_PACKAGE), ERROR_INSTALL_FAILURE) << "the same version again";
    EXPECT_EQ(Install(BARSMITH_OLDER_PACKAGE), ERROR_INSTALL_FAILURE) << "an older version over a newer one";
    EXPECT_EQ(ProgramsAndFeatures(), entries);

    ASSERT_EQ(Msiexec(L"/x \"" + BuildPath(BARSMITH_PACKAGE) + L"\" /qn"), ERROR_SUCCESS);
    EXPECT_TRUE(ProgramsAndFeatures().empty());
    EXPECT_FALSE(Exists(installed));
    EXPECT_TRUE(StartMenuShortcuts().empty());
    EXPECT_FALSE(Exists(icon));
    EXPECT_TRUE(testing::KeyIn(HKEY_CURRENT_USER, guid)) << "the user's button stays";
    EXPECT_EQ(catalogue.GuidOf(buttonText), guid) << "and so does its My Buttons entry";
}

}  // namespace
}  // namespace barsmith
