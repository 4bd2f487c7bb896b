#include "storage/settings_store.h"

#include <gtest/gtest.h>

#include <map>

#include "storage/my_buttons_catalogue.h"
#include "support/fakes.h"
#include "support/scratch_key.h"

namespace barsmith {
namespace {

using testing::RecordingRegistry;
using testing::ScratchKey;

class SettingsStoreTest : public ::testing::Test {
protected:
    ScratchKey scratch;
    RecordingRegistry api;
    SettingsStore store{api};
    const std::wstring app = scratch.Application();
};

TEST_F(SettingsStoreTest, MissingSectionGivesNothingAndARefusedWriteItsStatus) {
    EXPECT_TRUE(store.Entries(app, L"My Buttons").empty());
    EXPECT_EQ(store.Value(app, L"My Buttons", L"Notes"), L"");
    EXPECT_EQ(store.Remove(app, L"My Buttons", L"Notes"), ERROR_FILE_NOT_FOUND);

    ASSERT_EQ(store.Write(app, L"My Buttons", L"Notes", L"{1}"), ERROR_SUCCESS);
    ASSERT_EQ(store.Remove(app, L"My Buttons", L"Notes"), ERROR_SUCCESS);
    EXPECT_TRUE(store.Entries(app, L"My Buttons").empty());

    api.Refuse(testing::RegCall::Set, ERROR_ACCESS_DENIED);
    EXPECT_EQ(store.Write(app, L"My Buttons", L"Notes", L"{1}"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(store.Value(app, L"My Buttons", L"Notes"), L"");
    EXPECT_EQ(api.OpenKeys(), 0u);
}

TEST_F(SettingsStoreTest, SaveReplacesAndGetAllListsEveryEntry) {
    const std::wstring longValue(3000, L'x');  // more than the first read buffer holds
    store.Write(app, L"My Buttons", L"Notes", L"{1}");
    store.Write(app, L"My Buttons", L"Mail", longValue);
    store.Write(app, L"My Buttons", L"  ", L"{3}");
    store.Write(app, L"My Buttons", L"Notes", L"{4}");
    store.Write(app, L"Other", L"Elsewhere", L"{5}");
    // The section's unnamed value is no entry.
    RegSetKeyValueW(HKEY_CURRENT_USER, scratch.Sub(L"My Buttons").c_str(), nullptr, REG_SZ, L"x", 4);

    std::map<std::wstring, std::wstring> entries;
    for (const SettingsEntry& entry : store.Entries(app, L"My Buttons")) entries[entry.key] = entry.value;
    const std::map<std::wstring, std::wstring> expected{{L"  ", L"{3}"}, {L"Mail", longValue}, {L"Notes", L"{4}"}};
    EXPECT_EQ(entries, expected);
    EXPECT_EQ(store.Value(app, L"My Buttons", L"Mail"), longValue);
    EXPECT_EQ(api.OpenKeys(), 0u);
}

TEST_F(SettingsStoreTest, StampChangesWithEveryEntryWritten) {
    EXPECT_FALSE(store.Stamp(app, L"My Buttons"));
    store.Write(app, L"My Buttons", L"Notes", L"{1}");
    const auto first = store.Stamp(app, L"My Buttons");
    ASSERT_TRUE(first);
    EXPECT_EQ(first->entries, 1u);
    Sleep(2);
    store.Write(app, L"My Buttons", L"Notes", L"{2}");
    const auto second = store.Stamp(app, L"My Buttons");
    ASSERT_TRUE(second);
    EXPECT_FALSE(*first == *second) << "a replaced value counts as a change";
    EXPECT_EQ(second->entries, 1u);
}

class CatalogueListTest : public SettingsStoreTest {
protected:
    const MyButtonsCatalogue catalogue{api, app};
    // Writes as another program would, past the catalogue object.
    void WriteElsewhere(const wchar_t* text) {
        RegSetKeyValueW(HKEY_CURRENT_USER, scratch.Sub(kCatalogueSection).c_str(), text, REG_SZ, L"{x}", 8);
    }
};

TEST_F(CatalogueListTest, ButtonsAreKeyedByTextSortedAndCaseDoesNotMakeANewEntryButTheTextFollows) {
    EXPECT_TRUE(catalogue.ButtonTexts().empty());
    catalogue.Record(L"web", L"{11111111-1111-1111-1111-111111111111}");
    // Read once: the changes that follow keep the list read without reading it again.
    ASSERT_EQ(catalogue.ButtonTexts().size(), 1u);
    catalogue.Record(L"Mail", L"{22222222-2222-2222-2222-222222222222}");
    catalogue.Record(L"notes", L"{3}");
    catalogue.Record(L"NOTES", L"{4}");
    catalogue.Record(L"Mail", L"{44444444-4444-4444-4444-444444444444}");

    EXPECT_EQ(catalogue.ButtonTexts(), (std::vector<std::wstring>{L"Mail", L"NOTES", L"web"}));
    EXPECT_EQ(store.Entries(app, kCatalogueSection).size(), 3u);
    EXPECT_EQ(catalogue.GuidOf(L"Notes"), L"{4}");
    EXPECT_EQ(catalogue.GuidOf(L"Mail"), L"{44444444-4444-4444-4444-444444444444}");

    EXPECT_EQ(catalogue.Remove(L"Mail"), ERROR_SUCCESS);
    EXPECT_FALSE(catalogue.Contains(L"Mail"));
    EXPECT_EQ(catalogue.Remove(L"Mail"), ERROR_FILE_NOT_FOUND);

    catalogue.Record(L"Banana", L"{5}");
    catalogue.Record(L"apple", L"{6}");
    EXPECT_EQ(catalogue.ButtonTexts(), (std::vector<std::wstring>{L"apple", L"Banana", L"NOTES", L"web"}));
}

TEST_F(CatalogueListTest, ChangesByAnotherProgramAreSeen) {
    catalogue.Record(L"Alpha", L"{1}");
    ASSERT_EQ(catalogue.ButtonTexts().size(), 1u);

    WriteElsewhere(L"Beta");
    EXPECT_EQ(catalogue.ButtonTexts(), (std::vector<std::wstring>{L"Alpha", L"Beta"}));

    // A change between our reading and our own write is not papered over.
    WriteElsewhere(L"Gamma");
    catalogue.Record(L"Delta", L"{2}");
    EXPECT_EQ(catalogue.ButtonTexts(), (std::vector<std::wstring>{L"Alpha", L"Beta", L"Delta", L"Gamma"}));

    RegDeleteKeyValueW(HKEY_CURRENT_USER, scratch.Sub(kCatalogueSection).c_str(), L"Alpha");
    EXPECT_EQ(catalogue.ButtonTexts(), (std::vector<std::wstring>{L"Beta", L"Delta", L"Gamma"}));
    RegDeleteKeyW(HKEY_CURRENT_USER, scratch.Sub(kCatalogueSection).c_str());
    EXPECT_TRUE(catalogue.ButtonTexts().empty());
}

}  // namespace
}  // namespace barsmith
