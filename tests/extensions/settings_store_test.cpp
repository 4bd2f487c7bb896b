#include "extensions/settings_store.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "extensions/my_buttons_catalogue.h"
#include "support/fakes.h"
#include "support/scratch_key.h"

namespace barsmith {
namespace {

using testing::RecordingRegistry;
using testing::ScratchKey;

// The scratch key as an application name: its settings live below it.
std::wstring ApplicationOf(const ScratchKey& scratch) { return scratch.path().substr(wcslen(L"Software\\")); }

class SettingsStoreTest : public ::testing::Test {
protected:
    ScratchKey scratch;
    RecordingRegistry api;
    SettingsStore store{api};
    const std::wstring app = ApplicationOf(scratch);
};

TEST_F(SettingsStoreTest, MissingOrEmptySectionGivesNothing) {
    EXPECT_TRUE(store.GetAllSettings(app, L"My Buttons").empty());
    EXPECT_EQ(store.GetSetting(app, L"My Buttons", L"Notes"), L"");
    EXPECT_EQ(store.DeleteSetting(app, L"My Buttons", L"Notes"), ERROR_FILE_NOT_FOUND);

    ASSERT_EQ(store.SaveSetting(app, L"My Buttons", L"Notes", L"{1}"), ERROR_SUCCESS);
    ASSERT_EQ(store.DeleteSetting(app, L"My Buttons", L"Notes"), ERROR_SUCCESS);
    EXPECT_TRUE(store.GetAllSettings(app, L"My Buttons").empty());
    EXPECT_EQ(api.OpenKeys(), 0u);
}

TEST_F(SettingsStoreTest, EntriesLiveAsStringValuesOfTheSectionKey) {
    ASSERT_EQ(store.SaveSetting(app, L"My Buttons", L"Notes", L"{A}"), ERROR_SUCCESS);
    wchar_t data[64]{};
    DWORD size = sizeof data;
    ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, scratch.Sub(L"My Buttons").c_str(), L"Notes", RRF_RT_REG_SZ, nullptr,
                           data, &size),
              ERROR_SUCCESS);
    EXPECT_STREQ(data, L"{A}");
}

TEST_F(SettingsStoreTest, SaveReplacesAndGetAllListsEveryEntry) {
    const std::wstring longValue(3000, L'x');  // more than the first read buffer holds
    store.SaveSetting(app, L"My Buttons", L"Notes", L"{1}");
    store.SaveSetting(app, L"My Buttons", L"Mail", longValue);
    store.SaveSetting(app, L"My Buttons", L"  ", L"{3}");
    store.SaveSetting(app, L"My Buttons", L"Notes", L"{4}");
    store.SaveSetting(app, L"Other", L"Elsewhere", L"{5}");

    auto entries = store.GetAllSettings(app, L"My Buttons");
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.key < b.key; });
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].key, L"  ");
    EXPECT_EQ(entries[1].key, L"Mail");
    EXPECT_EQ(entries[1].value, longValue);
    EXPECT_EQ(entries[2].key, L"Notes");
    EXPECT_EQ(entries[2].value, L"{4}");
    EXPECT_EQ(store.GetSetting(app, L"My Buttons", L"Mail"), longValue);
    EXPECT_EQ(api.OpenKeys(), 0u);
}

TEST_F(SettingsStoreTest, TheSectionsUnnamedValueIsNoEntry) {
    store.SaveSetting(app, L"My Buttons", L"Notes", L"{1}");
    RegSetKeyValueW(HKEY_CURRENT_USER, scratch.Sub(L"My Buttons").c_str(), nullptr, REG_SZ, L"x", 4);
    const auto entries = store.GetAllSettings(app, L"My Buttons");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].key, L"Notes");
}

TEST_F(SettingsStoreTest, FailuresComeBackAsStatus) {
    api.Refuse(testing::RegCall::Set, ERROR_ACCESS_DENIED);
    EXPECT_EQ(store.SaveSetting(app, L"My Buttons", L"Notes", L"{1}"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(store.GetSetting(app, L"My Buttons", L"Notes"), L"");
    EXPECT_EQ(api.OpenKeys(), 0u);
}

TEST_F(SettingsStoreTest, CatalogueKeysButtonsByTheirTextAndListsTextsOnly) {
    const MyButtonsCatalogue catalogue(api, app);
    EXPECT_TRUE(catalogue.ButtonTexts().empty());
    catalogue.Record(L"Notes", L"{11111111-1111-1111-1111-111111111111}");
    catalogue.Record(L"Mail", L"{22222222-2222-2222-2222-222222222222}");
    catalogue.Record(L"Web", L"{33333333-3333-3333-3333-333333333333}");
    catalogue.Record(L"Notes", L"{44444444-4444-4444-4444-444444444444}");

    auto texts = catalogue.ButtonTexts();
    std::sort(texts.begin(), texts.end());
    EXPECT_EQ(texts, (std::vector<std::wstring>{L"Mail", L"Notes", L"Web"}));
    EXPECT_EQ(catalogue.GuidOf(L"Notes"), L"{44444444-4444-4444-4444-444444444444}");
    EXPECT_EQ(store.GetSetting(app, kCatalogueSection, L"Web"), L"{33333333-3333-3333-3333-333333333333}");

    EXPECT_EQ(catalogue.Remove(L"Mail"), ERROR_SUCCESS);
    EXPECT_FALSE(catalogue.Contains(L"Mail"));
    EXPECT_EQ(catalogue.Remove(L"Mail"), ERROR_FILE_NOT_FOUND);
}

}  // namespace
}  // namespace barsmith
