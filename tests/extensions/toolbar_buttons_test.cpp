#include "operations/toolbar_buttons.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

#include "model/button_fields.h"
#include "model/guid.h"
#include "platform/status_text.h"
#include "support/buttons_fixture.h"

namespace barsmith {
namespace {

using testing::KeyIn;
using testing::RecordingRegistry;
using testing::RegCall;
using testing::ValueIn;

class ToolbarButtonsTest : public testing::ButtonsFixture {
protected:

    ButtonDefinition Filled(const std::wstring& text = L"Notes") {
        return {NewGuid(), L"C:\\Tools\\notes.exe", L"C:\\Icons\\note.ico", L"",
                text,      L"Open Notes",          L"Starts the notes",    L"Notes"};
    }
    std::wstring NewGuid() { return made.Add(CreateGUID()); }

    static std::set<std::wstring> ValueNames(HKEY root, const std::wstring& guid) {
        std::set<std::wstring> names;
        HKEY key = nullptr;
        if (RegOpenKeyExW(root, ExtensionKeyPath(guid).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return names;
        wchar_t name[256];
        DWORD length = 256, type = 0;
        for (DWORD i = 0; RegEnumValueW(key, i, name, &length, nullptr, &type, nullptr, nullptr) == ERROR_SUCCESS;
             ++i, length = 256) {
            EXPECT_EQ(type, static_cast<DWORD>(REG_SZ)) << name;
            names.insert(name);
        }
        RegCloseKey(key);
        return names;
    }
    ButtonDefinition Created(const std::wstring& text = L"Notes", HKEY root = HKEY_LOCAL_MACHINE) {
        ButtonDefinition button = Filled(text);
        button.rootKey = root;
        EXPECT_EQ(buttons.Create(button).outcome, CreationOutcome::Created);
        return button;
    }
    std::wstring LastTitle() const { return messages.shown.empty() ? L"<none>" : messages.shown.back().title; }
    ::testing::AssertionResult LastTold(const std::wstring& part) const {
        const std::wstring told = messages.shown.empty() ? L"<none>" : messages.shown.back().text;
        if (told.find(part) != std::wstring::npos) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "the last message: " << told;
    }
};

// Validation

TEST_F(ToolbarButtonsTest, FirstEmptyRequiredFieldStopsCreationWithItsMessage) {
    using B = ButtonDefinition;
    using F = FieldId;
    const struct {
        std::wstring B::*field;
        FieldId required;
        std::wstring text;  // followed by five blanks in the message
        const wchar_t* title;
    } table[] = {
        {&B::exec, F::Path, L"Please choose an application", L"No Application Chosen"},
        {&B::icon, F::Icon, L"Please choose the Default Icon", L"No Icon Chosen"},
        {&B::buttonText, F::ButtonText, L"Please enter a name for the Button Text", L"No Button Name Entered"},
        {&B::menuText, F::MenuText, L"Please enter the Menu Text", L"No Menu Text Entered"},
        {&B::menuStatusBar, F::StatusBarText, L"Please enter the Status Bar Text", L"No Status Bar Text Entered"},
        {&B::toolTip, F::ToolTip, L"Please enter the Tool Tip Text", L"No Tool Tip Text Entered"},
    };
    for (size_t first = 0; first < std::size(table); ++first) {
        SCOPED_TRACE(table[first].title);
        // This field and every later one empty: only this one is reported.
        ButtonDefinition button = Filled();
        for (size_t later = first; later < std::size(table); ++later) (button.*table[later].field).clear();
        messages.shown.clear();

        const CreationResult result = buttons.Create(button);
        EXPECT_EQ(result.outcome, CreationOutcome::MissingField);
        EXPECT_EQ(result.missing, table[first].required);
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].text, table[first].text + L"     ");
        EXPECT_EQ(messages.shown[0].title, table[first].title);
        EXPECT_EQ(messages.shown[0].type, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
        EXPECT_FALSE(KeyIn(HKEY_LOCAL_MACHINE, button.guid));
    }
    EXPECT_TRUE(catalogue.ButtonTexts().empty());
}

TEST_F(ToolbarButtonsTest, ControlCharactersInAnyTextAreRefusedAndWriteNothing) {
    const wchar_t controls[] = {0x1B, 0x07, 0x08, 0x7F, 0x0B, 0x0C, 0x09, 0x85, 0x9F, 0x2028, 0x2029};
    for (const FieldId field : {FieldId::Path, FieldId::Icon, FieldId::HotIcon, FieldId::ButtonText,
                                FieldId::MenuText, FieldId::StatusBarText, FieldId::ToolTip}) {
        for (const wchar_t control : controls) {
            ButtonDefinition button = Filled();
            const ButtonField& row = FieldOf(button, field);
            row.take(button, L"a" + std::wstring(1, control) + L"b");
            messages.shown.clear();
            const CreationResult result = buttons.Create(button);
            EXPECT_EQ(result.outcome, CreationOutcome::BadText) << row.value << " " << int{control};
            EXPECT_EQ(result.missing, field);
            ASSERT_EQ(messages.shown.size(), 1u);
            EXPECT_NE(messages.shown[0].text.find(L"The " + std::wstring(row.label)), std::wstring::npos);
            EXPECT_FALSE(KeyIn(HKEY_LOCAL_MACHINE, button.guid));
        }
    }
    ButtonDefinition accepted = Filled(L"R\u00E9sum\u00E9 \u2026 \u00A0");  // printable, if not ASCII
    EXPECT_EQ(buttons.Create(accepted).outcome, CreationOutcome::Created);
}

TEST_F(ToolbarButtonsTest, BlanksCountAsFilledAndAreWrittenUnchanged) {
    ButtonDefinition button{NewGuid(), L" ", L" ", L"", L"   ", L" ", L" ", L" "};
    ASSERT_EQ(buttons.Create(button).outcome, CreationOutcome::Created);
    EXPECT_EQ(ValueIn(HKEY_LOCAL_MACHINE, button.guid, L"ButtonText"), L"   ");
    EXPECT_EQ(catalogue.GuidOf(L"   "), button.guid);
    EXPECT_TRUE(messages.shown.empty());
}

// The key

TEST_F(ToolbarButtonsTest, KeyHoldsEightValuesWithoutHotIconInTheBrowsersOrder) {
    const ButtonDefinition button = Filled();
    ASSERT_EQ(buttons.Create(button).outcome, CreationOutcome::Created);

    // The key's values in the browser's order, in both registry views, then
    // the My Buttons entry.
    const std::vector<std::wstring> values{L"Exec",     L"Icon",          L"ButtonText", L"CLSID",
                                           L"Default Visible", L"MenuText", L"MenuStatusBar", L"ToolTip"};
    // The change is noted in the journal, under the button's GUID, before the first write.
    std::vector<std::wstring> expected{button.guid};
    expected.insert(expected.end(), values.begin(), values.end());
    expected.insert(expected.end(), values.begin(), values.end());
    expected.push_back(L"Notes");
    EXPECT_EQ(api.written, expected);
    EXPECT_EQ(ValueNames(HKEY_LOCAL_MACHINE, button.guid).size(), 8u);
    EXPECT_EQ(ValueIn(HKEY_LOCAL_MACHINE, button.guid, L"HotIcon"), L"<missing>");
    EXPECT_EQ(ValueIn(HKEY_LOCAL_MACHINE, button.guid, L"Exec"), L"C:\\Tools\\notes.exe");
    EXPECT_EQ(ValueIn(HKEY_LOCAL_MACHINE, button.guid, L"Icon"), L"C:\\Icons\\note.ico");
    EXPECT_EQ(ValueIn(HKEY_LOCAL_MACHINE, button.guid, L"CLSID"), L"{1FBA04EE-3024-11d2-8F1F-0000F87ABD16}");
    EXPECT_EQ(ValueIn(HKEY_LOCAL_MACHINE, button.guid, L"Default Visible"), L"Yes");
    EXPECT_EQ(ValueIn(HKEY_LOCAL_MACHINE, button.guid, L"MenuStatusBar"), L"Starts the notes");
    EXPECT_EQ(catalogue.GuidOf(L"Notes"), button.guid);
    EXPECT_EQ(api.OpenKeys(), 0u);
}

TEST_F(ToolbarButtonsTest, HotIconInvisibilityAndCurrentUserShapeTheKey) {
    ButtonDefinition button = Filled();
    button.hotIcon = L"C:\\Icons\\note hot.ico";
    button.defaultVisible = false;
    button.rootKey = RootKeyFor(true);
    ASSERT_EQ(buttons.Create(button).outcome, CreationOutcome::Created);

    const auto icon = std::find(api.written.begin(), api.written.end(), L"Icon");
    ASSERT_NE(icon, api.written.end());
    EXPECT_EQ(icon[1], L"HotIcon");
    EXPECT_EQ(ValueNames(HKEY_CURRENT_USER, button.guid).size(), 9u);
    EXPECT_EQ(ValueIn(HKEY_CURRENT_USER, button.guid, L"HotIcon"), L"C:\\Icons\\note hot.ico");
    EXPECT_EQ(ValueIn(HKEY_CURRENT_USER, button.guid, L"Default Visible"), L"No");
    EXPECT_FALSE(KeyIn(HKEY_LOCAL_MACHINE, button.guid));
    EXPECT_EQ(RootKeyFor(false), HKEY_LOCAL_MACHINE);
}

// Creation that cannot write: told, nothing left, nothing recorded.

TEST_F(ToolbarButtonsTest, MissingOrMalformedGuidIsToldAndWritesNothing) {
    for (const std::wstring guid : {L"", L"..\\Elsewhere"}) {
        messages.shown.clear();
        ButtonDefinition button = Filled();
        button.guid = guid;
        EXPECT_EQ(buttons.Create(button).outcome, CreationOutcome::NoGuid);
        EXPECT_EQ(LastTitle(), L"Button Not Created");
        EXPECT_TRUE(LastTold(L"GUID"));
    }
    EXPECT_TRUE(catalogue.ButtonTexts().empty());
}

TEST_F(ToolbarButtonsTest, ExistingKeyIsToldAndKeepsItsValues) {
    ButtonDefinition button = Filled();
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, ExtensionKeyPath(button.guid).c_str(), L"Exec", REG_SZ, L"old.exe", 16);

    EXPECT_EQ(buttons.Create(button).outcome, CreationOutcome::KeyExists);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_TRUE(LastTold(FullExtensionKeyPath(HKEY_LOCAL_MACHINE, button.guid)));
    EXPECT_EQ(ValueNames(HKEY_LOCAL_MACHINE, button.guid), std::set<std::wstring>{L"Exec"});
    EXPECT_EQ(ValueIn(HKEY_LOCAL_MACHINE, button.guid, L"Exec"), L"old.exe");
    EXPECT_TRUE(catalogue.ButtonTexts().empty());
}

TEST_F(ToolbarButtonsTest, KeyThatCannotBeCreatedIsToldAndLeavesNothing) {
    ButtonDefinition button = Filled();
    api.Refuse(RegCall::Create, ERROR_ACCESS_DENIED, ExtensionKeyPath(button.guid));
    EXPECT_EQ(buttons.Create(button).outcome, CreationOutcome::NotWritten);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_TRUE(LastTold(FullExtensionKeyPath(HKEY_LOCAL_MACHINE, button.guid)));
    EXPECT_TRUE(LastTold(StatusText(ERROR_ACCESS_DENIED)));
    EXPECT_FALSE(KeyIn(HKEY_LOCAL_MACHINE, button.guid));
    EXPECT_EQ(api.OpenKeys(), 0u);
}

TEST_F(ToolbarButtonsTest, ValueThatCannotBeWrittenTakesTheKeyBack) {
    ButtonDefinition button = Filled();
    api.Refuse(RegCall::Set, ERROR_NOT_ENOUGH_QUOTA, L"MenuText");
    EXPECT_EQ(buttons.Create(button).outcome, CreationOutcome::NotWritten);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_TRUE(LastTold(L"\"MenuText\""));
    EXPECT_TRUE(LastTold(L"removed again"));
    EXPECT_FALSE(KeyIn(HKEY_LOCAL_MACHINE, button.guid));
    EXPECT_TRUE(catalogue.ButtonTexts().empty());
    EXPECT_EQ(api.OpenKeys(), 0u);
}

TEST_F(ToolbarButtonsTest, KeyThatCannotBeTakenBackIsToldSo) {
    ButtonDefinition button = Filled();
    api.Refuse(RegCall::Set, ERROR_NOT_ENOUGH_QUOTA, L"ToolTip");
    api.Refuse(RegCall::DeleteKey, ERROR_ACCESS_DENIED);
    EXPECT_EQ(buttons.Create(button).outcome, CreationOutcome::NotWritten);
    EXPECT_TRUE(LastTold(L"could not be removed again"));
    EXPECT_TRUE(catalogue.ButtonTexts().empty());
}

TEST_F(ToolbarButtonsTest, RecordThatCannotBeSavedTakesTheKeyBack) {
    ButtonDefinition button = Filled();
    api.Refuse(RegCall::Set, ERROR_ACCESS_DENIED, L"Notes");  // the catalogue's value, not the key's
    EXPECT_EQ(buttons.Create(button).outcome, CreationOutcome::NotRecorded);
    EXPECT_TRUE(LastTold(L"My Buttons"));
    EXPECT_FALSE(KeyIn(HKEY_LOCAL_MACHINE, button.guid));
    EXPECT_TRUE(catalogue.ButtonTexts().empty());
}

// A second button of the same text

TEST_F(ToolbarButtonsTest, SameTextAsksAndYesReplacesTheEarlierButton) {
    const ButtonDefinition first = Created(L"Notes", HKEY_CURRENT_USER);
    const ButtonDefinition second = Filled(L"Notes");
    messages.answers = {IDYES};

    EXPECT_EQ(buttons.Create(second).outcome, CreationOutcome::Created);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].type, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
    EXPECT_TRUE(LastTold(L"\"Notes\""));
    EXPECT_FALSE(KeyIn(HKEY_CURRENT_USER, first.guid)) << "no orphaned key stays behind";
    EXPECT_TRUE(KeyIn(HKEY_LOCAL_MACHINE, second.guid));
    EXPECT_EQ(catalogue.GuidOf(L"Notes"), second.guid);
    EXPECT_EQ(catalogue.ButtonTexts().size(), 1u);
}

TEST_F(ToolbarButtonsTest, SameTextAnsweredNoChangesNothing) {
    const ButtonDefinition first = Created();
    const ButtonDefinition second = Filled(L"Notes");
    messages.answers = {IDNO};

    EXPECT_EQ(buttons.Create(second).outcome, CreationOutcome::NotReplaced);
    EXPECT_TRUE(KeyIn(HKEY_LOCAL_MACHINE, first.guid));
    EXPECT_FALSE(KeyIn(HKEY_LOCAL_MACHINE, second.guid));
    EXPECT_EQ(catalogue.GuidOf(L"Notes"), first.guid);
}

TEST_F(ToolbarButtonsTest, ReplacingWritesTheNewButtonBeforeDeletingTheEarlierOne) {
    const ButtonDefinition first = Created();
    api.Refuse(RegCall::DeleteKey, ERROR_ACCESS_DENIED, first.guid);
    messages.answers = {IDYES};

    const ButtonDefinition second = Filled(L"Notes");
    EXPECT_EQ(buttons.Create(second).outcome, CreationOutcome::Created);
    EXPECT_EQ(LastTitle(), L"Button Not Deleted");
    EXPECT_TRUE(LastTold(FullExtensionKeyPath(HKEY_LOCAL_MACHINE, first.guid))) << "the key left behind is named";
    EXPECT_TRUE(KeyIn(HKEY_LOCAL_MACHINE, second.guid));
    EXPECT_EQ(catalogue.GuidOf(L"Notes"), second.guid);
}

TEST_F(ToolbarButtonsTest, ReplacingLeavesAKeyOfAnotherKindAndTakesAClassIdOfAnyCaseAsOurs) {
    // The catalogued key now belongs to another program: replacing the button
    // of that text never deletes it.
    const ButtonDefinition taken = Created();
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, ExtensionKeyPath(taken.guid).c_str(), L"CLSID", REG_SZ, L"{0}", 8);
    messages.answers = {IDYES};
    const ButtonDefinition second = Filled(L"Notes");
    EXPECT_EQ(buttons.Create(second).outcome, CreationOutcome::Created);
    EXPECT_TRUE(KeyIn(HKEY_LOCAL_MACHINE, taken.guid));
    EXPECT_TRUE(LastTold(L"is no button made by Barsmith and was left as it is"));

    // The class written in other letters is still this program's.
    const std::wstring upper = L"{1FBA04EE-3024-11D2-8F1F-0000F87ABD16}";
    for (const wchar_t* view : {L"", L"Wow6432Node\\"}) {
        RegSetKeyValueW(HKEY_LOCAL_MACHINE, ExtensionKeyPath(second.guid).insert(wcslen(L"Software\\"), view).c_str(),
                        L"CLSID", REG_SZ, upper.c_str(), static_cast<DWORD>((upper.size() + 1) * sizeof(wchar_t)));
    }
    EXPECT_EQ(buttons.Remove(second.guid, L"Notes"), RemovalOutcome::Removed);
    EXPECT_FALSE(KeyIn(HKEY_LOCAL_MACHINE, second.guid));
}

TEST_F(ToolbarButtonsTest, RefusedReplacementKeepsTheEarlierButtonWorking) {
    const struct {
        RegCall call;
        const wchar_t* name;
        CreationOutcome outcome;
    } refusals[] = {
        {RegCall::Set, L"CLSID", CreationOutcome::NotWritten},
        {RegCall::Set, L"Notes", CreationOutcome::NotRecorded},  // a read-only My Buttons
    };
    for (const auto& refusal : refusals) {
        SCOPED_TRACE(refusal.name);
        const ButtonDefinition first = Created();
        RecordingRegistry refusing;
        refusing.Refuse(refusal.call, ERROR_ACCESS_DENIED, refusal.name);
        const MyButtonsCatalogue sameCatalogue(refusing, scratch.Application());
        messages.answers = {IDYES};

        const ButtonDefinition second = Filled(L"Notes");
        EXPECT_EQ(ToolbarButtons(refusing, sameCatalogue, messages, nullptr).Create(second).outcome, refusal.outcome);
        EXPECT_EQ(LastTitle(), L"Button Not Created");
        EXPECT_TRUE(ValueNames(HKEY_LOCAL_MACHINE, first.guid).contains(L"CLSID")) << "the earlier button works";
        EXPECT_FALSE(KeyIn(HKEY_LOCAL_MACHINE, second.guid));
        EXPECT_EQ(catalogue.GuidOf(L"Notes"), first.guid);
        EXPECT_EQ(buttons.Remove(first.guid, L"Notes"), RemovalOutcome::Removed);
    }
}

TEST_F(ToolbarButtonsTest, GuidOfAKeyInAnyHiveOrViewIsRefused) {
    for (const KeyPlace place : AllPlaces()) {
        SCOPED_TRACE(FullExtensionKeyPath(place, L""));
        messages.shown.clear();
        ButtonDefinition button = Filled();
        button.rootKey = HKEY_CURRENT_USER;
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(place.root, ExtensionKeyPath(button.guid).c_str(), 0, nullptr, 0,
                                  KEY_SET_VALUE | place.view, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegCloseKey(key);

        EXPECT_EQ(buttons.Create(button).outcome, CreationOutcome::KeyExists);
        EXPECT_TRUE(LastTold(FullExtensionKeyPath(place, button.guid)));
        EXPECT_FALSE(catalogue.Contains(L"Notes"));
        RegDeleteKeyExW(place.root, ExtensionKeyPath(button.guid).c_str(), place.view, 0);
    }
}

// Preview

TEST_F(ToolbarButtonsTest, PreviewReadsTheIconOfTheButtonInEitherHive) {
    const ButtonDefinition machine = Created(L"Machine");
    const ButtonDefinition user = Created(L"User", HKEY_CURRENT_USER);

    const ButtonPreview a = buttons.Preview(L"Machine");
    EXPECT_EQ(a.guid, machine.guid);
    EXPECT_EQ(a.iconPath, L"C:\\Icons\\note.ico");
    const ButtonPreview b = buttons.Preview(L"User");
    EXPECT_EQ(b.guid, user.guid);
    EXPECT_EQ(b.iconPath, L"C:\\Icons\\note.ico");
    EXPECT_EQ(api.OpenKeys(), 0u);
}

TEST_F(ToolbarButtonsTest, PreviewOfAButtonWithoutKeyOrEntryIsEmpty) {
    const ButtonDefinition gone = Created(L"Gone");
    testing::DeleteButtonKeys(gone.guid);
    const ButtonPreview keyless = buttons.Preview(L"Gone");
    EXPECT_EQ(keyless.guid, gone.guid);
    EXPECT_EQ(keyless.iconPath, L"");

    const ButtonPreview unlisted = buttons.Preview(L"Never made");
    EXPECT_EQ(unlisted.guid, L"");
    EXPECT_EQ(unlisted.iconPath, L"");

    catalogue.Record(L"Edited", L"");  // an entry whose GUID names the Extensions key itself
    EXPECT_EQ(buttons.Preview(L"Edited").iconPath, L"");
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(ToolbarButtonsTest, PreviewNeedsOnlyReadAccess) {
    const ButtonDefinition button = Created();
    // A user without administrator rights may read the machine-wide hive but
    // not open its keys for writing.
    RecordingRegistry readOnly;
    readOnly.allowedAccess = KEY_READ;
    for (const RegCall call : {RegCall::Create, RegCall::Set, RegCall::DeleteValue, RegCall::DeleteKey})
        readOnly.Refuse(call);
    EXPECT_EQ(ToolbarButtons(readOnly, catalogue, messages, nullptr).Preview(L"Notes").iconPath, button.icon);
}

// Removal

TEST_F(ToolbarButtonsTest, RemovalDeletesKeyAndEntryInEitherHive) {
    const ButtonDefinition machine = Created(L"Machine");
    const ButtonDefinition user = Created(L"User", HKEY_CURRENT_USER);

    EXPECT_EQ(buttons.Remove(machine.guid, L"Machine"), RemovalOutcome::Removed);
    EXPECT_EQ(buttons.Remove(user.guid, L"User"), RemovalOutcome::Removed);
    EXPECT_FALSE(KeyIn(HKEY_LOCAL_MACHINE, machine.guid));
    EXPECT_FALSE(KeyIn(HKEY_CURRENT_USER, user.guid));
    EXPECT_TRUE(catalogue.ButtonTexts().empty());
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(ToolbarButtonsTest, RemovalThatIsRefusedIsToldAndKeepsTheEntry) {
    const ButtonDefinition button = Created();
    api.Refuse(RegCall::DeleteKey, ERROR_ACCESS_DENIED);

    EXPECT_EQ(buttons.Remove(button.guid, L"Notes"), RemovalOutcome::NotRemoved);
    EXPECT_EQ(LastTitle(), L"Button Not Deleted");
    EXPECT_TRUE(LastTold(FullExtensionKeyPath(HKEY_LOCAL_MACHINE, button.guid)));
    EXPECT_TRUE(KeyIn(HKEY_LOCAL_MACHINE, button.guid));
    EXPECT_EQ(catalogue.GuidOf(L"Notes"), button.guid);
}

TEST_F(ToolbarButtonsTest, KeyThatCannotEvenBeReadStillCountsAsThere) {
    const ButtonDefinition button = Created();
    api.Refuse(RegCall::Open, ERROR_ACCESS_DENIED, button.guid);
    api.Refuse(RegCall::DeleteKey, ERROR_ACCESS_DENIED);
    EXPECT_EQ(buttons.Remove(button.guid, L"Notes"), RemovalOutcome::NotRemoved);
    EXPECT_TRUE(catalogue.Contains(L"Notes"));
}

TEST_F(ToolbarButtonsTest, RemovalOfAKeyInNeitherHiveDropsTheEntryQuietly) {
    const ButtonDefinition button = Created();
    testing::DeleteButtonKeys(button.guid);

    EXPECT_EQ(buttons.Remove(button.guid, L"Notes"), RemovalOutcome::AlreadyGone);
    EXPECT_FALSE(catalogue.Contains(L"Notes"));
    EXPECT_TRUE(messages.shown.empty());
    // An entry that has left the catalogue meanwhile is no failure either.
    EXPECT_EQ(buttons.Remove(button.guid, L"Notes"), RemovalOutcome::AlreadyGone);
}

TEST_F(ToolbarButtonsTest, RemovalWithoutGuidShowsTheFormatMessageAndDropsTheEntry) {
    catalogue.Record(L"Edited", L"");
    const ButtonDefinition other = Created(L"Other");

    EXPECT_EQ(buttons.Remove(L"", L"Edited"), RemovalOutcome::NoGuid);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text,
              L"Incorrect Format:\n\nHKEY_LOCAL_MACHINE\\Software\\Microsoft\\Internet Explorer\\Extensions\\");
    EXPECT_EQ(messages.shown[0].title, L"Barsmith");
    EXPECT_FALSE(catalogue.Contains(L"Edited"));
    EXPECT_TRUE(KeyIn(HKEY_LOCAL_MACHINE, other.guid));
}

TEST_F(ToolbarButtonsTest, RemovingTheLaterOfTwoSameTextButtonsLeavesTheEarlierKey) {
    // An earlier button of this text whose key stayed behind (made before the
    // program asked about replacing, or by another copy of it).
    const std::wstring earlier = NewGuid();
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, ExtensionKeyPath(earlier).c_str(), L"ButtonText", REG_SZ, L"Notes", 12);
    const ButtonDefinition later = Created();

    EXPECT_EQ(buttons.Remove(buttons.Preview(L"Notes").guid, L"Notes"), RemovalOutcome::Removed);
    EXPECT_FALSE(KeyIn(HKEY_LOCAL_MACHINE, later.guid));
    EXPECT_TRUE(KeyIn(HKEY_LOCAL_MACHINE, earlier));
}

TEST_F(ToolbarButtonsTest, RemovalLeavesWhatItMayNotDeleteAndSaysWhy) {
    // The entry names another button by now, the key is no button of ours,
    // it holds sub-keys (which the system refuses as "access denied"), My
    // Buttons cannot be changed, or only the entry cannot be removed.
    enum class Case { Replaced, Foreign, SubKeys, ReadOnlyCatalogue, EntryRefused };
    const struct {
        Case what;
        RemovalOutcome outcome;
        bool keyStays;
        bool entryStays;
    } cases[] = {
        {Case::Replaced, RemovalOutcome::ListChanged, true, true},
        {Case::Foreign, RemovalOutcome::NotOurs, true, false},
        {Case::SubKeys, RemovalOutcome::NotRemoved, true, true},
        {Case::ReadOnlyCatalogue, RemovalOutcome::NotRemoved, true, true},
        {Case::EntryRefused, RemovalOutcome::NotRemoved, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.what));
        messages.shown.clear();
        const ButtonDefinition shown = Created();
        std::wstring guid = shown.guid;
        RecordingRegistry refusing;
        if (c.what == Case::Replaced) {
            messages.answers = {IDYES};
            guid = Created().guid;
            messages.shown.clear();
        } else if (c.what == Case::Foreign) {
            RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, ExtensionKeyPath(guid).c_str(), L"CLSID");
        } else if (c.what == Case::SubKeys) {
            RegSetKeyValueW(HKEY_LOCAL_MACHINE, (ExtensionKeyPath(guid) + L"\\Extra").c_str(), L"x", REG_SZ, L"", 2);
        } else if (c.what == Case::ReadOnlyCatalogue) {
            refusing.Refuse(RegCall::OpenToWrite, ERROR_ACCESS_DENIED, kCatalogueSection);
        } else {
            refusing.Refuse(RegCall::DeleteValue, ERROR_ACCESS_DENIED, L"Notes");
        }
        const MyButtonsCatalogue sameCatalogue(refusing, scratch.Application());

        EXPECT_EQ(ToolbarButtons(refusing, sameCatalogue, messages, nullptr).Remove(shown.guid, L"Notes"), c.outcome);
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(LastTitle(), L"Button Not Deleted");
        EXPECT_EQ(KeyIn(HKEY_LOCAL_MACHINE, guid), c.keyStays);
        EXPECT_EQ(catalogue.Contains(L"Notes"), c.entryStays);
        if (c.what == Case::SubKeys) {
            EXPECT_TRUE(LastTold(L"holds sub-keys"));
            RegDeleteKeyW(HKEY_LOCAL_MACHINE, (ExtensionKeyPath(guid) + L"\\Extra").c_str());
        }
        catalogue.Remove(L"Notes");
    }
}

TEST_F(ToolbarButtonsTest, EntryWhoseNameHoldsANulIsPreviewedAndRemovedExactly) {
    const ButtonDefinition prefix = Created(L"Foo");
    const ButtonDefinition whole = Filled(L"Foo");
    const std::wstring name(L"Foo\0Bar", 7);
    ASSERT_EQ(testing::SetCountedValue(HKEY_CURRENT_USER, scratch.Sub(kCatalogueSection), name, whole.guid),
              ERROR_SUCCESS);

    EXPECT_EQ(catalogue.ButtonTexts(), (std::vector<std::wstring>{L"Foo", name}));
    EXPECT_EQ(buttons.Preview(name).guid, whole.guid);
    EXPECT_EQ(buttons.Remove(whole.guid, name), RemovalOutcome::AlreadyGone);
    EXPECT_EQ(catalogue.ButtonTexts(), std::vector<std::wstring>{L"Foo"});
    EXPECT_EQ(catalogue.GuidOf(L"Foo"), prefix.guid);
    EXPECT_TRUE(KeyIn(HKEY_LOCAL_MACHINE, prefix.guid));
}

TEST(ButtonDefinitionTest, OnlyGuidStringsNameKeys) {
    EXPECT_TRUE(IsGuidString(L"{1FBA04EE-3024-11d2-8F1F-0000F87ABD16}"));
    EXPECT_TRUE(IsGuidString(CreateGUID()));
    EXPECT_FALSE(IsGuidString(L""));
    EXPECT_FALSE(IsGuidString(L"{1FBA04EE-3024-11d2-8F1F-0000F87ABD1G}"));
    EXPECT_FALSE(IsGuidString(L"{1FBA04EE-3024-11d2-8F1F\\0000F87ABD16}"));
    EXPECT_FALSE(IsGuidString(L"1FBA04EE-3024-11d2-8F1F-0000F87ABD16"));
}

}  // namespace
}  // namespace barsmith
