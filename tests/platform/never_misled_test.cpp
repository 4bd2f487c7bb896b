// What another program of the user can leave in the registry or a folder
// never leads the platform layer astray: a registry link is refused, never
// followed; a name holding NUL is never cut short into another; one sub-key
// whose name cannot be read costs only that sub-key; temporary files of
// copies ended part-way are cleared, and no one else's file is touched.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "model/guid.h"
#include "platform/registry_key.h"
#include "platform/user_account.h"
#include "platform/whole_file.h"
#include "support/scratch_key.h"

namespace barsmith {
namespace {

bool Exists(const std::wstring& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), REG_OPTION_OPEN_LINK, KEY_READ, &key)) return false;
    RegCloseKey(key);
    return true;
}

TEST(NeverMisledTest, ARegistryLinkIsRefusedOnTheWayAndAtTheEndAndOnlyItselfIsDeleted) {
    const testing::ScratchKey scratch;
    SystemRegistry api;
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, scratch.Sub(L"Target\\Child").c_str(), L"V", REG_SZ, L"v", 4), 0);
    HKEY link = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, scratch.Sub(L"Link").c_str(), 0, nullptr,
                              REG_OPTION_CREATE_LINK | REG_OPTION_VOLATILE, KEY_ALL_ACCESS | KEY_CREATE_LINK, nullptr,
                              &link, nullptr),
              ERROR_SUCCESS);
    const std::wstring target = L"\\Registry\\User\\" + CurrentUserSid() + L"\\" + scratch.Sub(L"Target");
    RegSetValueExW(link, L"SymbolicLinkValue", 0, REG_LINK, reinterpret_cast<const BYTE*>(target.c_str()),
                   static_cast<DWORD>(target.size() * sizeof(wchar_t)));
    RegCloseKey(link);
    HKEY followed = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, scratch.Sub(L"Link\\Child").c_str(), 0, KEY_READ, &followed), 0)
        << "the system follows the link";
    RegCloseKey(followed);

    RegKey key;
    for (const wchar_t* path : {L"Link", L"Link\\Child", L"Link\\\\Child\\"}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(key.Open(api, HKEY_CURRENT_USER, scratch.Sub(path), KEY_READ), kKeyIsLink);
        EXPECT_FALSE(key);
    }
    EXPECT_EQ(key.Create(api, HKEY_CURRENT_USER, scratch.Sub(L"Link\\Made"), KEY_WRITE), kKeyIsLink);
    EXPECT_FALSE(Exists(scratch.Sub(L"Target\\Made")));
    EXPECT_EQ(api.DeleteKey(HKEY_CURRENT_USER, scratch.Sub(L"Link\\Child"), 0), kKeyIsLink);
    EXPECT_TRUE(Exists(scratch.Sub(L"Target\\Child")));

    EXPECT_EQ(api.DeleteKey(HKEY_CURRENT_USER, scratch.Sub(L"Link"), 0), ERROR_SUCCESS);
    EXPECT_FALSE(Exists(scratch.Sub(L"Link")));
    EXPECT_TRUE(Exists(scratch.Sub(L"Target\\Child"))) << "the link goes, never what it names";
}

TEST(NeverMisledTest, ANameHoldingNulIsNeverWrittenAsItsPrefixAndAnUnreadableNameCostsOnlyItsKey) {
    const testing::ScratchKey scratch;
    SystemRegistry api;
    RegKey key;
    ASSERT_EQ(key.Create(api, HKEY_CURRENT_USER, scratch.path(), KEY_ALL_ACCESS), ERROR_SUCCESS);
    EXPECT_EQ(key.Write(TextValue(std::wstring(L"Exec\0x", 6), L"C:\\evil.exe")), ERROR_INVALID_NAME);
    EXPECT_FALSE(key.Read(L"Exec"));
    RegKey other;
    EXPECT_EQ(other.Create(api, HKEY_CURRENT_USER, scratch.path() + std::wstring(L"\\a\0b", 4), KEY_READ),
              ERROR_INVALID_NAME);

    // Wine takes a name one character longer than the registry's limit.
    size_t made = 0;
    for (const std::wstring& name : std::vector<std::wstring>{L"first", std::wstring(256, L'x'), L"last"}) {
        HKEY subKey = nullptr;
        if (RegCreateKeyExW(key.get(), name.c_str(), 0, nullptr, 0, KEY_READ, nullptr, &subKey, nullptr) == 0) {
            RegCloseKey(subKey);
            ++made;
        }
    }
    std::vector<RegKey::SubKey> subKeys;
    size_t passedOver = 0;
    EXPECT_EQ(key.SubKeys(subKeys, &passedOver), ERROR_SUCCESS);
    ASSERT_EQ(subKeys.size(), 2u);
    EXPECT_EQ(subKeys.back().name, L"last");
    EXPECT_EQ(passedOver, made - 2);
}

TEST(NeverMisledTest, TemporaryFilesOfProcessesGoneAreClearedAndNoOtherFile) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / (L"left " + CreateGUID());
    std::filesystem::create_directories(folder);
    const std::wstring self = std::to_wstring(GetCurrentProcessId());
    const struct {
        std::wstring name;
        bool stays;
    } table[] = {
        {L"~bsm4294967292-0.tmp", false},  // no process has that number
        {L"~bsm4294967292-12.tmp", false},
        {L"~bsm" + self + L"-3.tmp", true},  // a copy that runs
        {L"~bsm4294967292.tmp", true},       // not a name the program gives
        {L"~bsmx-0.tmp", true},
        {L"~bsm4294967292-x.tmp", true},
        {L"~bsm4294967292-0.tmp.reg", true},
        {L"~bsm99999999999-0.tmp", true},
        {L"buttons.reg", true},
    };
    for (const auto& row : table) std::ofstream(folder / row.name) << "left";
    EXPECT_FALSE(WriteWholeFile((folder / L"out.reg").wstring(), "new"));
    for (const auto& row : table) EXPECT_EQ(std::filesystem::exists(folder / row.name), row.stays) << row.name;
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace barsmith
