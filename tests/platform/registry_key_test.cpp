#include "platform/registry_key.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>

#include "model/button_definition.h"
#include "model/guid.h"
#include "support/fakes.h"
#include "support/scratch_key.h"

namespace barsmith {
namespace {

using testing::RecordingRegistry;
using testing::ScratchKey;

class RegKeyTest : public ::testing::Test {
protected:
    RecordingRegistry api;
    ScratchKey scratch;

    bool Exists(const std::wstring& path) {
        RegKey key;
        return key.Open(api, HKEY_CURRENT_USER, path, KEY_READ) == ERROR_SUCCESS;
    }
    void WriteRaw(const std::wstring& name, DWORD type, const void* data, DWORD size) {
        ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, scratch.path().c_str(), name.c_str(), type, data, size),
                  ERROR_SUCCESS);
    }
    std::wstring Query(const std::wstring& name) {
        RegKey key;
        key.Open(api, HKEY_CURRENT_USER, scratch.path(), KEY_READ);
        return key.Text(name);
    }
};

TEST_F(RegKeyTest, CreateMakesMissingParentsAndClosingLeavesNoHandleOpen) {
    const std::wstring deep = scratch.Sub(L"a\\b\\c");
    EXPECT_FALSE(Exists(deep));
    {
        RegKey created;
        ASSERT_EQ(created.Create(api, HKEY_CURRENT_USER, deep, KEY_ALL_ACCESS), ERROR_SUCCESS);
        // Creating an existing key opens it.
        RegKey again;
        EXPECT_EQ(again.Create(api, HKEY_CURRENT_USER, deep, KEY_ALL_ACCESS), ERROR_SUCCESS);
        EXPECT_TRUE(again);
    }
    EXPECT_TRUE(Exists(deep));
    EXPECT_TRUE(Exists(scratch.Sub(L"a\\b")));
    EXPECT_EQ(api.OpenKeys(), 0u);
}

TEST_F(RegKeyTest, FailuresGiveTheSystemsStatusAndAnEmptyKey) {
    api.Refuse(testing::RegCall::Create);
    api.Refuse(testing::RegCall::Open);
    RegKey key;
    EXPECT_EQ(key.Create(api, HKEY_CURRENT_USER, scratch.path(), KEY_ALL_ACCESS), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(key);
    EXPECT_EQ(key.Open(api, HKEY_CURRENT_USER, L"Software", KEY_READ), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(key);
}

TEST_F(RegKeyTest, TextReadsDataWithOrWithoutTerminatingNul) {
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

TEST(CreateGUIDTest, GivesDistinctUpperCaseGuidStrings) {
    const std::wstring first = CreateGUID(), second = CreateGUID();
    EXPECT_TRUE(IsGuidString(first) && IsGuidString(second)) << first;
    EXPECT_NE(first, second);
    EXPECT_FALSE(std::any_of(first.begin(), first.end(), [](wchar_t c) { return std::iswlower(c); })) << "upper case only";
}

}  // namespace
}  // namespace barsmith
