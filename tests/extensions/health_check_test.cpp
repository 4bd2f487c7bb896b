// Each kind of finding of the check, made on purpose among buttons that are
// well, and what the repair makes of them.
#include "operations/health_check.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <tuple>

#include "model/guid.h"
#include "extensions/picture_files.h"
#include "operations/toolbar_buttons.h"
#include "platform/shell.h"
#include "support/consistency.h"
#include "support/extension_keys.h"
#include "support/buttons_fixture.h"

namespace barsmith {
namespace {

using Kind = Finding::Kind;

class HealthCheckTest : public testing::ButtonsFixture {
protected:
    const testing::TempFile toolbarIcon{L".ico", testing::IcoFileBytes({20, 16}, RGB(0, 120, 215))};
    const testing::TempFile smallIcon{L".ico", testing::IcoFileBytes(16, RGB(0, 120, 215))};

    // A button whose program and icon are there.
    ButtonDefinition Made(const std::wstring& text) {
        ButtonDefinition button{made.Add(CreateGUID()), ExecutableFolder() + L"\\extensions_tests.exe",
                                toolbarIcon.path(), L"", text, L"Menu", L"Status", L"Tip"};
        EXPECT_EQ(buttons.Create(button, {}).kind, ButtonOutcome::Kind::Created);
        return button;
    }
    // Writes the text into the machine-wide key as each view named sees it.
    static void Set(const std::wstring& guid, const wchar_t* name, const std::wstring& text,
                    std::initializer_list<const wchar_t*> views = {L"", L"Wow6432Node\\"}) {
        for (const wchar_t* view : views)
            RegSetKeyValueW(HKEY_LOCAL_MACHINE, ExtensionKeyPath(guid).insert(9, view).c_str(), name, REG_SZ,
                            text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }
    // The findings about this test's buttons, by kind and GUID.
    std::set<std::pair<Kind, std::wstring>> Found() {
        std::set<std::pair<Kind, std::wstring>> found;
        for (const Finding& finding : buttons.Check(L"").findings) {
            if (made.Guids().contains(finding.guid)) found.insert({finding.kind, finding.guid});
        }
        return found;
    }
};

TEST_F(HealthCheckTest, EachKindOfFindingAndTheRepairOfThoseThatCanBe) {
    const ButtonDefinition well = Made(L"Well");
    const std::wstring ghost = made.Add(CreateGUID());
    catalogue.Record(L"Ghost", ghost);
    const ButtonDefinition oneView = Made(L"One view");
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, ExtensionKeyPath(oneView.guid).c_str(), KEY_WOW64_32KEY, 0);
    ButtonDefinition gone = Made(L"Gone");
    Set(gone.guid, L"Exec", L"C:\\no such folder\\gone.exe");
    // The 32-bit browser would start another program than the 64-bit one.
    const ButtonDefinition twoFaced = Made(L"Two-faced");
    Set(twoFaced.guid, L"Exec", L"C:\\no such folder\\gone.exe", {L"Wow6432Node\\"});
    // The hot icon has the full-screen size only: the toolbar scales it up.
    ButtonDefinition small{made.Add(CreateGUID()), well.exec, toolbarIcon.path(), smallIcon.path(), L"Small", L"M",
                           L"S", L"T"};
    ASSERT_EQ(buttons.Create(small, {}).kind, ButtonOutcome::Kind::Created);
    const ButtonDefinition unlisted = Made(L"Unlisted");
    catalogue.Remove(L"Unlisted");
    // Listing this one would take the entry of another button of its text.
    const ButtonDefinition taken = Made(L"Taken");
    catalogue.Record(L"Taken", well.guid);
    const ButtonDefinition shared = Made(L"Shared");
    catalogue.Record(L"Shared too", shared.guid);
    // A menu item has no button text: it is listed under its menu text.
    ButtonDefinition item{made.Add(CreateGUID()), well.exec, L"", L"", L"", L"Item menu", L"S", L""};
    item.menuOnly = true;
    ASSERT_EQ(buttons.Create(item, {}).kind, ButtonOutcome::Kind::Created);
    catalogue.Remove(L"Item menu");

    const std::set<std::pair<Kind, std::wstring>> expected{
        {Kind::EntryWithoutKey, ghost},    {Kind::OneView, oneView.guid},          {Kind::MissingFile, gone.guid},
        {Kind::Unlisted, unlisted.guid},   {Kind::Unlisted, taken.guid},           {Kind::Unlisted, item.guid},
        {Kind::SharedGuid, shared.guid},   {Kind::SharedGuid, well.guid},          {Kind::ViewsDiffer, twoFaced.guid},
        {Kind::ToolbarSizeMissing, small.guid},
    };
    EXPECT_EQ(Found(), expected);
    const std::vector<Finding> all = buttons.Check(L"").findings;
    // Only a key whose text no entry has can be listed under it.
    for (const Finding& finding : all) {
        if (finding.kind == Kind::Unlisted && made.Guids().contains(finding.guid)) {
            EXPECT_EQ(finding.repairable, finding.guid != taken.guid) << finding.named;
        }
    }
    const auto scaled = std::find_if(all.begin(), all.end(), [&](const Finding& f) { return f.guid == small.guid; });
    ASSERT_NE(scaled, all.end());
    EXPECT_EQ(std::tie(scaled->value, scaled->named, scaled->size, scaled->scaledSide),
              std::make_tuple(std::wstring(L"HotIcon"), smallIcon.path(), 20, 16));

    // Other tests make and break buttons meanwhile: only this test's are repaired.
    std::vector<Finding> ours = buttons.Check(L"").findings;
    std::erase_if(ours, [this](const Finding& finding) { return !made.Guids().contains(finding.guid); });
    const RepairResult repaired = buttons.Repair(ours);
    EXPECT_TRUE(repaired.refused.empty());
    EXPECT_EQ(repaired.repaired.size(), 5u);
    EXPECT_EQ(Found(), (std::set<std::pair<Kind, std::wstring>>{{Kind::MissingFile, gone.guid},
                                                                {Kind::Unlisted, taken.guid},
                                                                {Kind::SharedGuid, shared.guid},
                                                                {Kind::SharedGuid, well.guid},
                                                                {Kind::ToolbarSizeMissing, small.guid}}));
    EXPECT_EQ(catalogue.GuidOf(L"Taken"), well.guid);
    EXPECT_FALSE(catalogue.Contains(L"Ghost"));
    EXPECT_EQ(catalogue.GuidOf(L"Unlisted"), unlisted.guid);
    EXPECT_EQ(catalogue.GuidOf(L"Item menu"), item.guid);
    EXPECT_TRUE(testing::Consistent(api, catalogue, {oneView.guid, unlisted.guid, well.guid, twoFaced.guid}));
}

// One button each, changed as the row says: exactly the findings named, and
// none about a key of another class, whatever it holds.
TEST_F(HealthCheckTest, FindingsFollowWhatTheKeyHoldsAndOnlyKeysOfTheButtonClassCount) {
    const testing::TempFile icon24{L".ico", testing::IcoFileBytes(24, RGB(0, 120, 215))};
    const testing::TempFile icon20{L".ico", testing::IcoFileBytes(20, RGB(0, 120, 215))};
    const auto drop = [](const std::wstring& guid, const wchar_t* name) {
        for (const wchar_t* view : {L"", L"Wow6432Node\\"})
            RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, ExtensionKeyPath(guid).insert(9, view).c_str(), name);
    };
    const struct {
        const char* name;
        std::function<void(const std::wstring&)> change;
        std::set<Kind> found;
    } table[] = {
        {"well", [](const std::wstring&) {}, {}},
        {"a folder for the program", [&](const std::wstring& g) { Set(g, L"Exec", ExecutableFolder()); },
         {Kind::MissingFile}},
        {"no Default Visible", [&](const std::wstring& g) { drop(g, L"Default Visible"); }, {Kind::MissingValues}},
        {"an icon of 24 only", [&](const std::wstring& g) { Set(g, L"Icon", icon24.path()); },
         {Kind::ToolbarSizeMissing}},
        {"an icon of 20 only", [&](const std::wstring& g) { Set(g, L"Icon", icon20.path()); },
         {Kind::ToolbarSizeMissing}},
        {"a hot icon of 16 only", [&](const std::wstring& g) { Set(g, L"HotIcon", smallIcon.path()); },
         {Kind::ToolbarSizeMissing}},
        {"another class, however broken",
         [&](const std::wstring& g) {
             Set(g, L"CLSID", L"{00000000-0000-0000-0000-000000000001}");
             Set(g, L"Exec", L"C:\\no such folder\\gone.exe");
             catalogue.Remove(L"Row");
         },
         {}},
        {"the program of another type in one view",
         [](const std::wstring& g) {
             const std::wstring exec = ExecutableFolder() + L"\\extensions_tests.exe";
             RegSetKeyValueW(HKEY_LOCAL_MACHINE, ExtensionKeyPath(g).insert(9, L"Wow6432Node\\").c_str(), L"Exec",
                             REG_EXPAND_SZ, exec.c_str(), static_cast<DWORD>((exec.size() + 1) * sizeof(wchar_t)));
         },
         {Kind::ViewsDiffer}},
        {"the class in another case", [&](const std::wstring& g) { Set(g, L"CLSID", L"{1fba04ee-3024-11D2-8f1f-0000f87abd16}"); },
         {}},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.name);
        const ButtonDefinition button = Made(L"Row");
        row.change(button.guid);
        std::set<Kind> found;
        for (const auto& [kind, guid] : Found()) {
            if (guid == button.guid) found.insert(kind);
        }
        EXPECT_EQ(found, row.found);
        buttons.Remove(button.guid, L"Row");
        catalogue.Remove(L"Row");
        testing::DeleteButtonKeys(button.guid);
    }
}

}  // namespace
}  // namespace barsmith
