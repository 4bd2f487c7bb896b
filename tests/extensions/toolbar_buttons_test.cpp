#include "operations/toolbar_buttons.h"

#include <gtest/gtest.h>

#include <vector>

#include "model/button_fields.h"
#include "model/guid.h"
#include "support/buttons_fixture.h"

namespace barsmith {
namespace {

using testing::KeyIn;
using testing::RecordingRegistry;
using testing::RegCall;
using testing::ValueIn;
using Kind = ButtonOutcome::Kind;

constexpr ReplacePolicy kKeep{};
constexpr ReplacePolicy::Mode kAny = ReplacePolicy::Mode::Any;

class ToolbarButtonsTest : public testing::ButtonsFixture {
protected:
    ButtonDefinition Filled(const std::wstring& text = L"Notes") {
        return {NewGuid(), L"C:\\Tools\\notes.exe", L"C:\\Icons\\note.ico", L"",
                text,      L"Open Notes",          L"Starts the notes",    L"Notes"};
    }
    std::wstring NewGuid() { return made.Add(CreateGUID()); }

    ButtonDefinition Created(const std::wstring& text = L"Notes", HKEY root = HKEY_LOCAL_MACHINE) {
        ButtonDefinition button = Filled(text);
        button.rootKey = root;
        EXPECT_EQ(buttons.Create(button, {kAny, {}}).kind, Kind::Created);
        return button;
    }
};

// Validation: what no entry may be is refused before anything is written.

TEST_F(ToolbarButtonsTest, FirstEmptyRequiredFieldOrAControlCharacterStopsCreationAndWritesNothing) {
    using B = ButtonDefinition;
    const struct {
        std::wstring B::*field;
        const wchar_t* value;  // the row of the field left empty
    } table[] = {
        {&B::exec, L"Exec"},       {&B::icon, L"Icon"},           {&B::buttonText, L"ButtonText"},
        {&B::menuText, L"MenuText"}, {&B::menuStatusBar, L"MenuStatusBar"}, {&B::toolTip, L"ToolTip"},
    };
    for (size_t first = 0; first < std::size(table); ++first) {
        SCOPED_TRACE(table[first].value);
        // This field and every later one empty: only this one is reported.
        ButtonDefinition button = Filled();
        for (size_t later = first; later < std::size(table); ++later) (button.*table[later].field).clear();
        const ButtonOutcome outcome = buttons.Create(button, kKeep);
        EXPECT_EQ(outcome.kind, Kind::MissingField);
        ASSERT_NE(outcome.row, nullptr);
        EXPECT_STREQ(outcome.row->value, table[first].value);
        EXPECT_FALSE(KeyIn(HKEY_LOCAL_MACHINE, button.guid));
    }
    ButtonDefinition script = Filled();
    script.script = true;
    script.exec.clear();
    EXPECT_STREQ(buttons.Create(script, kKeep).row->value, L"Script");

    // Which characters each text refuses is the field table's to say; here,
    // that a refused one is named with its text and nothing is written.
    for (const FieldId field : {FieldId::Path, FieldId::HotIcon, FieldId::ToolTip}) {
        ButtonDefinition button = Filled();
        const ButtonField& row = FieldOf(button, field);
        row.take(button, L"a\x2028z");
        const ButtonOutcome outcome = buttons.Create(button, kKeep);
        EXPECT_EQ(outcome.kind, Kind::BadText) << row.value;
        EXPECT_EQ(outcome.row, &row);
        EXPECT_EQ(outcome.problem->character, L'\x2028');
        EXPECT_EQ(outcome.value, L"a\x2028z");
        EXPECT_FALSE(KeyIn(HKEY_LOCAL_MACHINE, button.guid));
    }
    EXPECT_TRUE(catalogue.ButtonTexts().empty());
}

TEST_F(ToolbarButtonsTest, BlanksAndPrintableTextsAreWrittenUnchanged) {
    for (const std::wstring text : {L"   ", L"R\u00E9sum\u00E9 \u2026 \u00A0"}) {
        const ButtonDefinition button{NewGuid(), L" ", L" ", L"", text, L" ", L" ", L" "};
        ASSERT_EQ(buttons.Create(button, kKeep).kind, Kind::Created);
        EXPECT_EQ(ValueIn(HKEY_LOCAL_MACHINE, button.guid, L"ButtonText"), text);
        EXPECT_EQ(catalogue.GuidOf(text), button.guid);
    }
}

// Creation that cannot write: nothing left, nothing recorded, and what happened said as data.

TEST_F(ToolbarButtonsTest, NoGuidOrAKeyOfTheGuidAnywhereWritesNothing) {
    for (const std::wstring guid : {L"", L"..\\Elsewhere", L"{1FBA04EE-3024-11d2-8F1F-0000F87ABD1G}"}) {
        ButtonDefinition button = Filled();
        button.guid = guid;
        const ButtonOutcome outcome = buttons.Create(button, kKeep);
        EXPECT_EQ(outcome.kind, Kind::NoGuid);
        EXPECT_EQ(outcome.guid, guid);
    }
    for (const KeyPlace place : AllPlaces()) {
        SCOPED_TRACE(FullExtensionKeyPath(place, L""));
        ButtonDefinition button = Filled();
        button.rootKey = HKEY_CURRENT_USER;
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(place.root, ExtensionKeyPath(button.guid).c_str(), 0, nullptr, 0,
                                  KEY_SET_VALUE | place.view, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExW(key, L"Exec", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"old.exe"), 16);
        RegCloseKey(key);

        const ButtonOutcome outcome = buttons.Create(button, kKeep);
        EXPECT_EQ(outcome.kind, Kind::KeyExists);
        EXPECT_EQ(outcome.place.root, place.root);
        EXPECT_EQ(outcome.place.view, place.view);
        EXPECT_FALSE(catalogue.Contains(L"Notes"));
        RegDeleteKeyExW(place.root, ExtensionKeyPath(button.guid).c_str(), place.view, 0);
    }
}

TEST_F(ToolbarButtonsTest, RefusedWriteTakesBackWhatItWroteAndSaysWhatStays) {
    const struct {
        RegCall call;
        const wchar_t* name;  // none: the button's key
        bool deleteRefused;
        Kind kind;
        KeyFailure::Step step;
        bool written;
        bool undone;  // all that was written was taken back
    } table[] = {
        {RegCall::Create, nullptr, false, Kind::NotWritten, KeyFailure::Step::Create, false, true},
        {RegCall::Set, L"MenuText", false, Kind::NotWritten, KeyFailure::Step::WriteValue, true, true},
        {RegCall::Set, L"ToolTip", true, Kind::NotWritten, KeyFailure::Step::WriteValue, true, false},
        {RegCall::Set, L"Notes", false, Kind::NotRecorded, KeyFailure::Step::Record, true, true},  // My Buttons
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.name ? row.name : L"key");
        ButtonDefinition button = Filled();
        RecordingRegistry refusing;
        refusing.Refuse(row.call, ERROR_NOT_ENOUGH_QUOTA, row.name ? row.name : ExtensionKeyPath(button.guid));
        if (row.deleteRefused) refusing.Refuse(RegCall::DeleteKey, ERROR_ACCESS_DENIED);
        const MyButtonsCatalogue sameCatalogue(refusing, scratch.Application());

        const ButtonOutcome outcome = ToolbarButtons(refusing, sameCatalogue).Create(button, kKeep);
        EXPECT_EQ(outcome.kind, row.kind);
        ASSERT_TRUE(outcome.failure);
        EXPECT_EQ(outcome.failure->step, row.step);
        EXPECT_EQ(outcome.status, ERROR_NOT_ENOUGH_QUOTA);
        EXPECT_EQ(outcome.written > 0, row.written);
        EXPECT_EQ(outcome.undone.empty(), row.undone);
        EXPECT_EQ(KeyIn(HKEY_LOCAL_MACHINE, button.guid), !row.undone);
        EXPECT_TRUE(catalogue.ButtonTexts().empty());
        EXPECT_EQ(refusing.OpenKeys(), 0u);
        testing::DeleteButtonKeys(button.guid);
    }
}

// A second button of the same text

TEST_F(ToolbarButtonsTest, SameTextIsReplacedOnlyAsThePolicySays) {
    const ButtonDefinition first = Created(L"Notes", HKEY_CURRENT_USER);
    const std::wstring other = CreateGUID();
    const struct {
        ReplacePolicy policy;
        Kind kind;
    } table[] = {
        {kKeep, Kind::NotReplaced},
        {{ReplacePolicy::Mode::Only, other}, Kind::NotReplaced},  // agreed to replace a button no longer there
        {{ReplacePolicy::Mode::Only, first.guid}, Kind::Created},
    };
    for (const auto& row : table) {
        const ButtonDefinition second = Filled(L"Notes");
        const ButtonOutcome outcome = buttons.Create(second, row.policy);
        EXPECT_EQ(outcome.kind, row.kind);
        EXPECT_EQ(KeyIn(HKEY_LOCAL_MACHINE, second.guid), row.kind == Kind::Created);
        if (row.kind == Kind::NotReplaced) {
            EXPECT_TRUE(SameGuid(outcome.earlier, first.guid));
        }
    }
    EXPECT_FALSE(KeyIn(HKEY_CURRENT_USER, first.guid)) << "no orphaned key stays behind";
    EXPECT_EQ(catalogue.ButtonTexts().size(), 1u);
    EXPECT_EQ(api.OpenKeys(), 0u);
}

TEST_F(ToolbarButtonsTest, ReplacingWritesTheNewButtonFirstAndNamesTheKeysLeftBehind) {
    const ButtonDefinition refused = Created();
    api.Refuse(RegCall::DeleteKey, ERROR_ACCESS_DENIED, refused.guid);
    const ButtonDefinition second = Filled(L"Notes");
    ButtonOutcome outcome = buttons.Create(second, {kAny, {}});
    EXPECT_EQ(outcome.kind, Kind::Created);
    ASSERT_FALSE(outcome.leftOver.replaced.refused.empty());
    EXPECT_EQ(outcome.leftOver.replaced.guid, refused.guid);
    EXPECT_EQ(catalogue.GuidOf(L"Notes"), second.guid);

    // The catalogued key now belongs to another program: replacing never deletes it.
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, ExtensionKeyPath(second.guid).c_str(), L"CLSID", REG_SZ, L"{0}", 8);
    const ButtonDefinition third = Filled(L"Notes");
    outcome = buttons.Create(third, {kAny, {}});
    EXPECT_EQ(outcome.kind, Kind::Created);
    EXPECT_EQ(outcome.leftOver.replaced.foreign.size(), 1u);
    EXPECT_TRUE(KeyIn(HKEY_LOCAL_MACHINE, second.guid));

    // The class written in other letters is still this program's.
    testing::SetInBothViews(third.guid, L"CLSID", L"{1FBA04EE-3024-11D2-8F1F-0000F87ABD16}");
    EXPECT_EQ(buttons.Remove(third.guid, L"Notes").kind, Kind::Removed);
    EXPECT_FALSE(KeyIn(HKEY_LOCAL_MACHINE, third.guid));
}

TEST_F(ToolbarButtonsTest, RefusedReplacementKeepsTheEarlierButtonWorking) {
    const struct {
        RegCall call;
        const wchar_t* name;
        Kind kind;
    } refusals[] = {
        {RegCall::Set, L"CLSID", Kind::NotWritten},
        {RegCall::Set, L"Notes", Kind::NotRecorded},  // a read-only My Buttons
    };
    for (const auto& refusal : refusals) {
        SCOPED_TRACE(refusal.name);
        const ButtonDefinition first = Created();
        RecordingRegistry refusing;
        refusing.Refuse(refusal.call, ERROR_ACCESS_DENIED, refusal.name);
        const MyButtonsCatalogue sameCatalogue(refusing, scratch.Application());

        const ButtonDefinition second = Filled(L"Notes");
        const ButtonOutcome outcome = ToolbarButtons(refusing, sameCatalogue).Create(second, {kAny, {}});
        EXPECT_EQ(outcome.kind, refusal.kind);
        EXPECT_TRUE(outcome.replacing);
        EXPECT_NE(ValueIn(HKEY_LOCAL_MACHINE, first.guid, L"CLSID"), L"<missing>") << "the earlier one works";
        EXPECT_FALSE(KeyIn(HKEY_LOCAL_MACHINE, second.guid));
        EXPECT_EQ(catalogue.GuidOf(L"Notes"), first.guid);
        EXPECT_EQ(buttons.Remove(first.guid, L"Notes").kind, Kind::Removed);
    }
}

// Preview

TEST_F(ToolbarButtonsTest, PreviewReadsTheButtonInEitherHiveWithReadAccessOnly) {
    const ButtonDefinition machine = Created(L"Machine");
    const ButtonDefinition user = Created(L"User", HKEY_CURRENT_USER);
    // A user without administrator rights may read the machine-wide hive but
    // not open its keys for writing.
    RecordingRegistry readOnly;
    readOnly.allowedAccess = KEY_READ;
    for (const RegCall call : {RegCall::Create, RegCall::Set, RegCall::DeleteValue, RegCall::DeleteKey})
        readOnly.Refuse(call);
    const ToolbarButtons reading(readOnly, catalogue);
    for (const auto& [text, button] : {std::pair{L"Machine", machine}, std::pair{L"User", user}}) {
        const ButtonPreview preview = reading.Preview(text);
        EXPECT_EQ(preview.guid, button.guid);
        EXPECT_EQ(preview.iconPath, L"C:\\Icons\\note.ico");
        ASSERT_TRUE(preview.described);
        EXPECT_EQ(preview.described->rootKey, button.rootKey);
        EXPECT_TRUE(preview.outcome.Succeeded());
    }
    EXPECT_EQ(readOnly.OpenKeys(), 0u);
}

// Removal

// An entry whose key has gone, or whose GUID is empty (and so names the
// Extensions key itself): nothing to preview, and removal drops the entry.
TEST_F(ToolbarButtonsTest, AnEntryWithoutKeyOrGuidPreviewsNothingAndItsRemovalDropsIt) {
    const ButtonDefinition gone = Created(L"Gone");
    testing::DeleteButtonKeys(gone.guid);
    catalogue.Record(L"Edited", L"");
    for (const auto& [entry, guid] : {std::pair<std::wstring, std::wstring>{L"Gone", gone.guid},
                                      {L"Never made", L""}, {L"Edited", L""}}) {
        const ButtonPreview preview = buttons.Preview(entry);
        EXPECT_EQ(preview.guid, guid);
        EXPECT_EQ(preview.iconPath, L"");
        EXPECT_FALSE(preview.described);
    }
    EXPECT_EQ(buttons.Remove(gone.guid, L"Gone").kind, Kind::AlreadyGone);
    EXPECT_FALSE(catalogue.Contains(L"Gone"));
    // An entry that has left the catalogue meanwhile is no failure either.
    EXPECT_TRUE(buttons.Remove(gone.guid, L"Gone").Succeeded());

    const ButtonDefinition other = Created(L"Other");
    const ButtonOutcome outcome = buttons.Remove(L"", L"Edited");
    EXPECT_EQ(outcome.kind, Kind::NoGuid);
    EXPECT_EQ(outcome.entryStatus, ERROR_SUCCESS);
    EXPECT_FALSE(catalogue.Contains(L"Edited"));
    EXPECT_TRUE(KeyIn(HKEY_LOCAL_MACHINE, other.guid));
}

TEST_F(ToolbarButtonsTest, RemovingTheLaterOfTwoSameTextButtonsLeavesTheEarlierKey) {
    // An earlier button of this text whose key stayed behind.
    const std::wstring earlier = NewGuid();
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, ExtensionKeyPath(earlier).c_str(), L"ButtonText", REG_SZ, L"Notes", 12);
    const ButtonDefinition later = Created();
    EXPECT_EQ(buttons.Remove(buttons.Preview(L"Notes").guid, L"Notes").kind, Kind::Removed);
    EXPECT_FALSE(KeyIn(HKEY_LOCAL_MACHINE, later.guid));
    EXPECT_TRUE(KeyIn(HKEY_LOCAL_MACHINE, earlier));
}

TEST_F(ToolbarButtonsTest, RemovalLeavesWhatItMayNotDeleteAndSaysWhy) {
    enum class Case { Replaced, Foreign, SubKeys, ReadOnlyCatalogue, EntryRefused, DeleteRefused, Unreadable };
    const struct {
        Case what;
        Kind kind;
        bool keyStays;
        bool entryStays;
        bool placed;  // the outcome names the key's place
    } cases[] = {
        {Case::Replaced, Kind::ListChanged, true, true, false},
        {Case::Foreign, Kind::NotOurs, true, false, true},
        {Case::SubKeys, Kind::HasSubKeys, true, true, true},
        {Case::ReadOnlyCatalogue, Kind::CatalogueLocked, true, true, false},
        {Case::EntryRefused, Kind::NotUnlisted, false, true, false},
        {Case::DeleteRefused, Kind::NotDeleted, true, true, false},
        {Case::Unreadable, Kind::Unreadable, true, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.what));
        const ButtonDefinition shown = Created();
        std::wstring guid = shown.guid;
        RecordingRegistry refusing;
        if (c.what == Case::Replaced) {
            guid = Created().guid;
        } else if (c.what == Case::Foreign) {
            RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, ExtensionKeyPath(guid).c_str(), L"CLSID");
        } else if (c.what == Case::SubKeys) {
            RegSetKeyValueW(HKEY_LOCAL_MACHINE, (ExtensionKeyPath(guid) + L"\\Extra").c_str(), L"x", REG_SZ, L"", 2);
        } else if (c.what == Case::ReadOnlyCatalogue) {
            refusing.Refuse(RegCall::OpenToWrite, ERROR_ACCESS_DENIED, kCatalogueSection);
        } else if (c.what == Case::EntryRefused) {
            refusing.Refuse(RegCall::DeleteValue, ERROR_ACCESS_DENIED, L"Notes");
        } else if (c.what == Case::DeleteRefused) {
            refusing.Refuse(RegCall::DeleteKey, ERROR_ACCESS_DENIED);
        } else {
            refusing.Refuse(RegCall::Open, ERROR_ACCESS_DENIED, guid);
        }
        const MyButtonsCatalogue sameCatalogue(refusing, scratch.Application());

        const ButtonOutcome outcome = ToolbarButtons(refusing, sameCatalogue).Remove(shown.guid, L"Notes");
        EXPECT_EQ(outcome.kind, c.kind);
        EXPECT_FALSE(outcome.Succeeded());
        EXPECT_EQ(outcome.Unlisted(), !c.entryStays);
        EXPECT_EQ(outcome.place.root, c.placed ? HKEY_LOCAL_MACHINE : nullptr);
        EXPECT_EQ(outcome.left.empty(), c.what != Case::DeleteRefused);
        EXPECT_EQ(KeyIn(HKEY_LOCAL_MACHINE, guid), c.keyStays);
        EXPECT_EQ(catalogue.Contains(L"Notes"), c.entryStays);
        if (c.what == Case::SubKeys) RegDeleteKeyW(HKEY_LOCAL_MACHINE, (ExtensionKeyPath(guid) + L"\\Extra").c_str());
        catalogue.Remove(L"Notes");
    }
}

// Repair

// A key left without an entry is listed under the text its key holds when it
// is repaired, not the one the check read: a text changed meanwhile to one
// another entry has, or to one no entry may have, is not listed at all.
TEST_F(ToolbarButtonsTest, RepairListsAKeyUnderTheTextItHoldsWhenRepaired) {
    const ButtonDefinition taken = Created(L"Taken");
    const struct {
        const wchar_t* textThen;  // none: the key's text is as the check read it
        const wchar_t* listedAs;  // none: not listed
    } table[] = {
        {nullptr, L"Lost"},
        {L"Found again", L"Found again"},
        {L"Taken", nullptr},
        {L"Two\nlines", nullptr},
        {L"", nullptr},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.listedAs ? row.listedAs : L"not listed");
        const ButtonDefinition lost = Created(L"Lost");
        catalogue.Remove(L"Lost");
        std::vector<Finding> found = buttons.Check(L"").findings;
        std::erase_if(found, [&](const Finding& f) { return f.guid != lost.guid || f.kind != Finding::Kind::Unlisted; });
        ASSERT_EQ(found.size(), 1u);
        ASSERT_EQ(found.front().named, L"Lost");
        if (row.textThen) testing::SetInBothViews(lost.guid, L"ButtonText", row.textThen);
        const RepairResult repair = buttons.Repair(found);
        EXPECT_EQ(repair.repaired.size(), row.listedAs ? 1u : 0u);
        EXPECT_TRUE(repair.refused.empty());
        EXPECT_EQ(catalogue.TextNaming(lost.guid), row.listedAs ? std::optional<std::wstring>(row.listedAs) : std::nullopt);
        EXPECT_EQ(catalogue.GuidOf(L"Taken"), taken.guid);
        if (row.listedAs) catalogue.Remove(row.listedAs);
        testing::DeleteButtonKeys(lost.guid);
    }
}

}  // namespace
}  // namespace barsmith
