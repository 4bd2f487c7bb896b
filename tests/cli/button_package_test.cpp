// Installer packages of buttons as an administrator deploys them, with the
// system's own msiexec: installed, upgraded by a newer version that drops one
// button and changes another, refused when the same or an older version
// follows, and removed, in both registry views, leaving every other key alone.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "model/guid.h"
#include "platform/handles.h"
#include "platform/shell.h"
#include "storage/my_buttons_catalogue.h"
#include "support/extension_keys.h"

namespace barsmith {
namespace {

namespace fs = std::filesystem;
using Values = std::map<std::pair<int, std::wstring>, std::wstring>;

constexpr wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// Runs the command line to its end; its exit code.
DWORD RunToEnd(std::wstring command) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &started))
        return GetLastError();
    CloseHandle(started.hThread);
    const UniqueKernelHandle process(started.hProcess);
    DWORD code = WAIT_TIMEOUT;
    if (WaitForSingleObject(process.get(), 120'000) == WAIT_OBJECT_0) GetExitCodeProcess(process.get(), &code);
    return code;
}

std::wstring Quote(const std::wstring& text) { return L"\"" + text + L"\""; }

DWORD Barsmith(const std::vector<std::wstring>& arguments) {
    std::wstring command = Quote(ExecutableFolder() + L"\\barsmith.exe");
    for (const std::wstring& argument : arguments) command += L" " + Quote(argument);
    return RunToEnd(command);
}

// Every value of the key in each place (0: 64-bit view, 1: 32-bit view, 2: the current user's).
Values ValuesOf(const std::wstring& guid) {
    Values values;
    const std::vector<KeyPlace> places = AllPlaces();
    for (int p = 0; p < static_cast<int>(places.size()); ++p) {
        HKEY key = nullptr;
        if (RegOpenKeyExW(places[p].root, ExtensionKeyPath(guid).c_str(), 0, KEY_READ | places[p].view, &key)) continue;
        wchar_t name[256];
        wchar_t data[1024];
        for (DWORD i = 0, length = 256, size = sizeof data, type = 0;
             RegEnumValueW(key, i, name, &length, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) == 0;
             ++i, length = 256, size = sizeof data)
            values[{p, std::wstring(name, length)}] = std::wstring(data, size / sizeof(wchar_t));
        RegCloseKey(key);
    }
    return values;
}

// Programs and Features' entries of the product: their versions.
std::vector<std::wstring> Listed(HKEY hive, const std::wstring& product) {
    std::vector<std::wstring> versions;
    HKEY uninstall = nullptr;
    if (RegOpenKeyExW(hive, kUninstallKey, 0, KEY_READ, &uninstall)) return versions;
    wchar_t code[256];
    for (DWORD i = 0, length = 256; RegEnumKeyExW(uninstall, i, code, &length, nullptr, nullptr, nullptr, nullptr) == 0;
         ++i, length = 256) {
        wchar_t text[256]{};
        DWORD size = sizeof text;
        if (RegGetValueW(uninstall, code, L"DisplayName", RRF_RT_REG_SZ, nullptr, text, &size) || product != text)
            continue;
        size = sizeof text;
        RegGetValueW(uninstall, code, L"DisplayVersion", RRF_RT_REG_SZ, nullptr, text, &size);
        versions.push_back(text);
    }
    RegCloseKey(uninstall);
    return versions;
}

class ButtonPackageTest : public ::testing::Test {
protected:
    testing::MadeKeys made;
    SystemRegistry api;
    MyButtonsCatalogue catalogue{api};
    const std::wstring tag = CreateGUID().substr(1, 6);
    const fs::path folder = fs::temp_directory_path() / (L"packages " + tag);
    const std::wstring product = L"Fleet [Buttons] \x00DC " + tag;

    ButtonPackageTest() { fs::create_directories(folder); }
    ~ButtonPackageTest() override {
        for (const std::wstring& text : std::vector(catalogue.ButtonTexts())) {
            if (text.find(tag) != std::wstring::npos) catalogue.Remove(text);
        }
        fs::remove_all(folder);
    }

    std::wstring Created(const std::wstring& text, bool user = false) {
        const std::wstring guid = made.Add(CreateGUID());
        std::vector<std::wstring> command{L"create",      L"--text",        text,         L"--program",
                                          L"C:\\{a}.exe", L"--icon",        L"C:\\a.ico", L"--menu-text",
                                          L"#1 [x]",      L"--status-text", L"S",         L"--tooltip",
                                          L"T"};
        if (user) command.push_back(L"--user");
        EXPECT_EQ(Barsmith(command), 0u);
        return catalogue.GuidOf(text);
    }
    std::wstring Package(const std::wstring& version, const std::vector<std::wstring>& texts) {
        const std::wstring file = (folder / (version + L" " + std::to_wstring(packages_++) + L".msi")).wstring();
        std::vector<std::wstring> command{L"export", file, L"--product", product, L"--version", version};
        command.insert(command.end(), texts.begin(), texts.end());
        EXPECT_EQ(Barsmith(command), 0u);
        return file;
    }
    static DWORD Msiexec(const std::wstring& verb, const std::wstring& file) {
        return RunToEnd(L"msiexec.exe " + verb + L" " + Quote(file) + L" /qn");
    }

private:
    int packages_ = 0;
};

TEST_F(ButtonPackageTest, InstallUpgradeRefuseAndRemoveMachineWideButtonsInBothViews) {
    const std::wstring kept = L"Kept " + tag;
    const std::wstring dropped = L"Dropped " + tag;
    const std::wstring added = L"Added " + tag;
    const std::wstring keptGuid = Created(kept);
    const std::wstring droppedGuid = Created(dropped);
    const std::wstring addedGuid = Created(added);
    // Another program's key beside them, and a value it added to a button's key.
    const std::wstring foreign = made.Add(CreateGUID());
    for (const REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, ExtensionKeyPath(foreign).c_str(), 0, nullptr, 0,
                                  KEY_SET_VALUE | view, nullptr, &key, nullptr), 0);
        RegSetValueExW(key, L"CLSID", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"{0}"), 8);
        RegCloseKey(key);
    }
    const Values foreignValues = ValuesOf(foreign);
    const Values keptBefore = ValuesOf(keptGuid);
    const Values droppedBefore = ValuesOf(droppedGuid);
    ASSERT_EQ(keptBefore.size(), 16u) << "eight values in each view";

    const std::wstring first = Package(L"1.0.0", {kept, dropped});
    testing::DeleteButtonKeys(keptGuid);
    testing::DeleteButtonKeys(droppedGuid);
    ASSERT_EQ(Msiexec(L"/i", first), 0u);
    EXPECT_EQ(ValuesOf(keptGuid), keptBefore);
    EXPECT_EQ(ValuesOf(droppedGuid), droppedBefore);
    EXPECT_EQ(Listed(HKEY_LOCAL_MACHINE, product), std::vector<std::wstring>{L"1.0.0"});

    // The next version: one button changed, one dropped, one added.
    const std::wstring tip = L"New tip [2]";
    for (const REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
        HKEY key = nullptr;
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, ExtensionKeyPath(keptGuid).c_str(), 0, KEY_SET_VALUE | view, &key);
        RegSetValueExW(key, L"ToolTip", 0, REG_SZ, reinterpret_cast<const BYTE*>(tip.c_str()),
                       static_cast<DWORD>((tip.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
    }
    const Values keptChanged = ValuesOf(keptGuid);
    const Values addedBefore = ValuesOf(addedGuid);
    const std::wstring second = Package(L"1.1.0", {kept, added});
    const std::wstring sameAgain = Package(L"1.1.0", {kept});
    testing::DeleteButtonKeys(addedGuid);
    ASSERT_EQ(Msiexec(L"/i", second), 0u);
    EXPECT_EQ(ValuesOf(keptGuid), keptChanged);
    EXPECT_EQ(ValuesOf(addedGuid), addedBefore);
    EXPECT_TRUE(ValuesOf(droppedGuid).empty()) << "the button the new version drops goes";
    EXPECT_EQ(Listed(HKEY_LOCAL_MACHINE, product), std::vector<std::wstring>{L"1.1.0"});

    for (const std::wstring& refused : {first, sameAgain}) {
        EXPECT_NE(Msiexec(L"/i", refused), 0u) << refused;
        EXPECT_EQ(ValuesOf(keptGuid), keptChanged);
        EXPECT_EQ(Listed(HKEY_LOCAL_MACHINE, product), std::vector<std::wstring>{L"1.1.0"});
    }

    ASSERT_EQ(Msiexec(L"/x", second), 0u);
    EXPECT_TRUE(ValuesOf(keptGuid).empty() && ValuesOf(addedGuid).empty());
    EXPECT_TRUE(Listed(HKEY_LOCAL_MACHINE, product).empty());
    EXPECT_EQ(ValuesOf(foreign), foreignValues);
}

TEST_F(ButtonPackageTest, PerUserButtonsInstallForTheCurrentUserAndGoAgain) {
    const std::wstring text = L"Mine " + tag;
    const std::wstring guid = Created(text, true);
    const Values before = ValuesOf(guid);
    ASSERT_EQ(before.size(), 8u);
    const std::wstring package = Package(L"2.0.1", {text});
    testing::DeleteButtonKeys(guid);
    ASSERT_EQ(Msiexec(L"/i", package), 0u);
    EXPECT_EQ(ValuesOf(guid), before);
    ASSERT_EQ(Msiexec(L"/x", package), 0u);
    EXPECT_TRUE(ValuesOf(guid).empty());
}

}  // namespace
}  // namespace barsmith
