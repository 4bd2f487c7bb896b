#include "extensions/registry_access.h"

#include <gtest/gtest.h>

#include <cwctype>
#include <set>

#include "extensions/guid.h"
#include "support/fakes.h"
#include "support/scratch_key.h"

namespace barsmith {
namespace {

using testing::RecordingRegistry;
using testing::ScratchKey;
using testing::ScriptedMessageBox;

class RegistryAccessTest : public ::testing::Test {
protected:
    RecordingRegistry api;
    ScriptedMessageBox messages;
    RegistryAccess registry{api, messages};
    ScratchKey scratch;

    void WriteRaw(const std::wstring& name, DWORD type, const void* data, DWORD size) {
        ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, scratch.path().c_str(), name.c_str(), type, data, size),
                  ERROR_SUCCESS);
    }
    std::wstring Query(const std::wstring& name) {
        const RegKey key = registry.OpenKey(HKEY_CURRENT_USER, scratch.path());
        return registry.QueryValue(key.get(), name);
    }
};

TEST_F(RegistryAccessTest, CreateNewKeyCreatesMissingParentsAndKeyExistsLeavesNoHandleOpen) {
    const std::wstring deep = scratch.Sub(L"a\\b\\c");
    EXPECT_FALSE(registry.KeyExists(HKEY_CURRENT_USER, deep));
    {
        const RegKey created = registry.CreateNewKey(HKEY_CURRENT_USER, deep);
        ASSERT_TRUE(created);
        // Creating an existing key opens it.
        EXPECT_TRUE(registry.CreateNewKey(HKEY_CURRENT_USER, deep));
    }
    EXPECT_TRUE(registry.KeyExists(HKEY_CURRENT_USER, deep));
    EXPECT_TRUE(registry.KeyExists(HKEY_CURRENT_USER, scratch.Sub(L"a\\b")));
    EXPECT_EQ(api.OpenKeys(), 0u);
}

TEST_F(RegistryAccessTest, FailuresGiveEmptyResults) {
    api.Refuse(testing::RegCall::Create);
    api.Refuse(testing::RegCall::Open);
    EXPECT_FALSE(registry.CreateNewKey(HKEY_CURRENT_USER, scratch.path()));
    EXPECT_FALSE(registry.OpenKey(HKEY_CURRENT_USER, L"Software"));
    EXPECT_FALSE(registry.KeyExists(HKEY_CURRENT_USER, L"Software"));
}

TEST_F(RegistryAccessTest, ValuesRoundTripAsUnicodeText) {
    const RegKey key = registry.CreateNewKey(HKEY_CURRENT_USER, scratch.path());
    const std::wstring greek = L"\u039a\u03bf\u03c5\u03bc\u03c0\u03af \u6309\u94ae";
    EXPECT_EQ(registry.SetKeyValue(key.get(), L"ButtonText", REG_SZ, greek), ERROR_SUCCESS);
    EXPECT_EQ(registry.QueryValue(key.get(), L"ButtonText"), greek);

    DWORD type = 0;
    DWORD size = 0;
    ASSERT_EQ(RegQueryValueExW(key.get(), L"ButtonText", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(size, (greek.size() + 1) * sizeof(wchar_t)) << "stored with its terminating NUL";
}

TEST_F(RegistryAccessTest, SetKeyValueWithEmptyTextWritesNothing) {
    const RegKey key = registry.CreateNewKey(HKEY_CURRENT_USER, scratch.path());
    EXPECT_EQ(registry.SetKeyValue(key.get(), L"HotIcon", REG_SZ, L""), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExW(key.get(), L"HotIcon", nullptr, nullptr, nullptr, nullptr), ERROR_FILE_NOT_FOUND);

    registry.SetKeyValue(key.get(), L"Icon", REG_SZ, L"old.ico");
    registry.SetKeyValue(key.get(), L"Icon", REG_SZ, L"");
    EXPECT_EQ(registry.QueryValue(key.get(), L"Icon"), L"old.ico") << "an empty text keeps the old data";
}

TEST_F(RegistryAccessTest, QueryValueReadsTextWithOrWithoutTerminatingNul) {
    const std::wstring text = L"C:\\Icons\\star.ico";
    WriteRaw(L"with", REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    WriteRaw(L"without", REG_SZ, text.c_str(), static_cast<DWORD>(text.size() * sizeof(wchar_t)));
    WriteRaw(L"empty", REG_SZ, L"", 0);
    const DWORD number = 0x105;
    WriteRaw(L"number", REG_DWORD, &number, sizeof number);

    EXPECT_EQ(Query(L"with"), text);
    EXPECT_EQ(Query(L"without"), text);
    EXPECT_EQ(Query(L"empty"), L"");
    EXPECT_EQ(Query(L"missing"), L"");
    EXPECT_EQ(Query(L"number"), std::wstring(1, static_cast<wchar_t>(0x105))) << "the type plays no part";
}

TEST_F(RegistryAccessTest, QueryValueWithoutKeyMakesNoCall) {
    const int before = api.calls;
    EXPECT_EQ(registry.QueryValue(nullptr, L"Icon"), L"");
    EXPECT_EQ(api.calls, before);
}

TEST_F(RegistryAccessTest, ParseKeySplitsWellFormedPaths) {
    const std::wstring guid = CreateGUID();
    std::wstring path = L"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Internet Explorer\\Extensions\\" + guid;
    EXPECT_EQ(registry.ParseKey(path), HKEY_LOCAL_MACHINE);
    EXPECT_EQ(path, L"Software\\Microsoft\\Internet Explorer\\Extensions\\" + guid);

    path = L"HKEY_CURRENT_USER";
    EXPECT_EQ(registry.ParseKey(path), HKEY_CURRENT_USER);
    EXPECT_EQ(path, L"");

    path = L"HKEY_NOWHERE\\Software";
    EXPECT_EQ(registry.ParseKey(path), nullptr);
    EXPECT_TRUE(messages.shown.empty()) << "an unknown root is refused silently";
}

TEST_F(RegistryAccessTest, ParseKeyRefusesMalformedPathsWithMessage) {
    for (const std::wstring bad : {L"HKEY_LOCAL_MACHINE\\Software\\", L"hkey_local_machine\\Software", L""}) {
        messages.shown.clear();
        std::wstring path = bad;
        EXPECT_EQ(registry.ParseKey(path), nullptr);
        EXPECT_EQ(path, bad);
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].text, L"Incorrect Format:\n\n" + bad);
        EXPECT_EQ(messages.shown[0].title, L"Barsmith");
        EXPECT_EQ(messages.shown[0].type, static_cast<UINT>(MB_OK));
    }
}

TEST_F(RegistryAccessTest, GetRootKeyKnowsTheSevenRootsExactly) {
    EXPECT_EQ(GetRootKey(L"HKEY_CLASSES_ROOT"), HKEY_CLASSES_ROOT);
    EXPECT_EQ(GetRootKey(L"HKEY_USERS"), HKEY_USERS);
    EXPECT_EQ(GetRootKey(L"HKEY_PERFORMANCE_DATA"), HKEY_PERFORMANCE_DATA);
    EXPECT_EQ(GetRootKey(L"HKEY_CURRENT_CONFIG"), HKEY_CURRENT_CONFIG);
    EXPECT_EQ(GetRootKey(L"HKEY_DYN_DATA"), HKEY_DYN_DATA);
    for (const wchar_t* name : {L"HKEY_CLASSES_ROOT", L"HKEY_CURRENT_USER", L"HKEY_LOCAL_MACHINE", L"HKEY_DYN_DATA"})
        EXPECT_EQ(RootKeyName(GetRootKey(name)), name);
    EXPECT_EQ(RootKeyName(nullptr), L"");
    EXPECT_EQ(GetRootKey(L"HKEY_Local_Machine"), nullptr);
    EXPECT_EQ(GetRootKey(L"HKEY_LOCAL_MACHINE "), nullptr);
}

TEST_F(RegistryAccessTest, DeleteKeyRemovesTheKeyAndIgnoresMalformedPaths) {
    const std::wstring target = scratch.Sub(L"button");
    registry.CreateNewKey(HKEY_CURRENT_USER, target);
    EXPECT_EQ(registry.DeleteKey(L"HKEY_CURRENT_USER\\" + target), ERROR_SUCCESS);
    EXPECT_FALSE(registry.KeyExists(HKEY_CURRENT_USER, target));

    // After a successful deletion, a malformed path deletes nothing.
    registry.CreateNewKey(HKEY_CURRENT_USER, target);
    EXPECT_EQ(registry.DeleteKey(L"HKEY_CURRENT_USER\\" + target + L"\\"), ERROR_BAD_PATHNAME);
    EXPECT_EQ(registry.DeleteKey(L"HKEY_NOWHERE\\" + target), ERROR_BAD_PATHNAME);
    EXPECT_TRUE(registry.KeyExists(HKEY_CURRENT_USER, target));
    EXPECT_EQ(messages.shown.size(), 1u);

    api.Refuse(testing::RegCall::DeleteKey);
    EXPECT_EQ(registry.DeleteKey(L"HKEY_CURRENT_USER\\" + target), ERROR_ACCESS_DENIED);
    EXPECT_EQ(api.OpenKeys(), 0u);
}

TEST(CreateGUIDTest, GivesDistinctUpperCaseRegistryStrings) {
    std::set<std::wstring> seen;
    for (int i = 0; i < 2; ++i) {
        const std::wstring guid = CreateGUID();
        ASSERT_EQ(guid.size(), 38u);
        EXPECT_EQ(guid.front(), L'{');
        EXPECT_EQ(guid.back(), L'}');
        for (const size_t dash : {9u, 14u, 19u, 24u}) EXPECT_EQ(guid[dash], L'-');
        for (const wchar_t c : guid) EXPECT_FALSE(std::iswlower(c)) << "upper case only";
        seen.insert(guid);
    }
    EXPECT_EQ(seen.size(), 2u);
}

}  // namespace
}  // namespace barsmith
