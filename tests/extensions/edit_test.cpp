// Machine-wide buttons in both registry views, and editing a made button, over
// the test prefix's real registry (Wine's 64-bit prefix keeps both views).
#include <gtest/gtest.h>

#include <map>
#include <tuple>

#include "model/button_fields.h"
#include "model/guid.h"
#include "operations/toolbar_buttons.h"
#include "storage/change_journal.h"
#include "support/buttons_fixture.h"

namespace barsmith {
namespace {

using testing::RecordingRegistry;
using testing::RegCall;

using Values = std::map<std::wstring, std::wstring>;
using Kind = ButtonOutcome::Kind;
const ReplacePolicy kAny{ReplacePolicy::Mode::Any, {}};

// Every value of the button's key in one place, by name; empty when there is no key.
Values ValuesAt(KeyPlace place, const std::wstring& guid) {
    Values values;
    HKEY key = nullptr;
    if (RegOpenKeyExW(place.root, ExtensionKeyPath(guid).c_str(), 0, KEY_READ | place.view, &key)) return values;
    wchar_t name[256];
    BYTE data[2048];
    for (DWORD i = 0, length = 256, size = sizeof data;
         RegEnumValueW(key, i, name, &length, nullptr, nullptr, data, &size) == ERROR_SUCCESS;
         ++i, length = 256, size = sizeof data)
        values[name] = std::wstring(reinterpret_cast<wchar_t*>(data), size / sizeof(wchar_t));
    RegCloseKey(key);
    return values;
}

const KeyPlace k64{HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY};
const KeyPlace k32{HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY};
const KeyPlace kUser{HKEY_CURRENT_USER, 0};

class EditTest : public testing::ButtonsFixture {
protected:
    ButtonDefinition Made(const std::wstring& text = L"Notes", HKEY root = HKEY_LOCAL_MACHINE) {
        ButtonDefinition button{made.Add(CreateGUID()), L"C:\\Tools\\notes.exe", L"C:\\Icons\\note.ico",
                                L"C:\\Icons\\hot.ico", text, L"Open Notes", L"Starts the notes", L"Notes"};
        button.rootKey = root;
        EXPECT_EQ(buttons.Create(button, kAny).kind, Kind::Created);
        return button;
    }
    // Saves `change` applied to the button loaded from `entry`, with `through`'s refusals.
    ButtonOutcome Edit(const std::wstring& entry, void (*change)(ButtonDefinition&),
                       RecordingRegistry* through = nullptr, ReplacePolicy policy = {}) {
        std::optional<ButtonDefinition> loaded = buttons.Load(entry).button;
        EXPECT_TRUE(loaded);
        if (!loaded) return {};
        change(*loaded);
        RecordingRegistry& used = through ? *through : api;
        const MyButtonsCatalogue sameCatalogue(used, scratch.Application());
        return ToolbarButtons(used, sameCatalogue).Save(*loaded, entry, policy);
    }
};

// A change another copy left that cannot be finished (a key of another
// program's is where it goes) is told only once a change is asked for:
// looking at the list, a preview, loading and the check say nothing of it,
// until it is given up, which is told once.
TEST_F(EditTest, AnUnsettledChangeIsToldOnlyWhenAChangeIsAskedFor) {
    const std::wstring foreign = made.Add(CreateGUID());
    RegSetKeyValueW(HKEY_CURRENT_USER, ExtensionKeyPath(foreign).c_str(), L"Exec", REG_SZ, L"other.exe", 20);
    ChangeJournal(api, scratch.Application())
        .Begin({Change::Kind::Save, foreign, {}, {}, {}, HKEY_CURRENT_USER, {TextValue(L"Exec", L"mine.exe")}},
               JournalPlace::User);
    ButtonDefinition button{made.Add(CreateGUID()), L"C:\\Tools\\notes.exe", L"C:\\Icons\\note.ico", L"", L"Notes",
                            L"Open Notes", L"Starts the notes", L"Notes"};
    const ButtonOutcome created = buttons.Create(button, kAny);
    ASSERT_EQ(created.settled.unsettled.size(), 1u);  // the first try
    EXPECT_TRUE(created.settled.ignored.empty());
    // Each reading settles too, until the change is given up after its third try.
    const SettleReport settled[] = {buttons.Preview(L"Notes").outcome.settled, buttons.Load(L"Notes").outcome.settled,
                                    buttons.Check(L"").outcome.settled, buttons.Check(L"").outcome.settled};
    EXPECT_TRUE(settled[0].ignored.empty() && settled[1].ignored.empty());
    ASSERT_EQ(settled[2].ignored.size(), 1u);
    EXPECT_EQ(settled[2].ignored.front().why, IgnoredNote::Why::GivenUp);
    EXPECT_TRUE(settled[3].Empty());
    EXPECT_EQ(ValuesAt(kUser, foreign)[L"Exec"], std::wstring(L"other.exe", 10));
}

TEST_F(EditTest, MachineWideButtonsAreWrittenAlikeInBothViewsAndRefusalInEitherLeavesNeither) {
    const ButtonDefinition button = Made();
    EXPECT_EQ(ValuesAt(k64, button.guid).size(), 9u);
    EXPECT_EQ(ValuesAt(k64, button.guid), ValuesAt(k32, button.guid));

    for (const REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
        for (const RegCall call : {RegCall::Create, RegCall::Set}) {
            SCOPED_TRACE(view);
            RecordingRegistry refusing;
            refusing.Refuse(call, ERROR_ACCESS_DENIED, call == RegCall::Set ? L"ToolTip" : L"", view);
            ButtonDefinition other = button;
            other.guid = made.Add(CreateGUID());
            other.buttonText = L"Other";
            EXPECT_EQ(ToolbarButtons(refusing, catalogue).Create(other, kAny).kind, Kind::NotWritten);
            EXPECT_TRUE(ValuesAt(k64, other.guid).empty());
            EXPECT_TRUE(ValuesAt(k32, other.guid).empty());
            EXPECT_FALSE(catalogue.Contains(L"Other"));
        }
    }
}

TEST_F(EditTest, ButtonInOneViewOnlyPreviewsEditsIntoBothAndDeletes) {
    const ButtonDefinition button = Made();
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, ExtensionKeyPath(button.guid).c_str(), KEY_WOW64_64KEY, 0);
    EXPECT_EQ(buttons.Preview(L"Notes").iconPath, button.icon);

    EXPECT_EQ(Edit(L"Notes", [](ButtonDefinition&) {}).kind, Kind::Saved);
    EXPECT_EQ(ValuesAt(k64, button.guid), ValuesAt(k32, button.guid));
    EXPECT_EQ(buttons.Remove(button.guid, L"Notes").kind, Kind::Removed);
    EXPECT_TRUE(ValuesAt(k64, button.guid).empty());
    EXPECT_TRUE(ValuesAt(k32, button.guid).empty());
}

TEST_F(EditTest, EditsRoundTripEveryField) {
    const ButtonDefinition button = Made();
    EXPECT_EQ(Edit(L"Notes",
                   [](ButtonDefinition& b) {
                       b.exec = L"C:\\Tools\\jots.exe";
                       b.hotIcon.clear();
                       b.menuText = L"Open Jots";
                       b.defaultVisible = false;
                   }).kind,
              Kind::Saved);
    for (const KeyPlace place : {k64, k32}) {
        const Values after = ValuesAt(place, button.guid);
        EXPECT_EQ(after.at(L"Exec"), std::wstring(L"C:\\Tools\\jots.exe", 17) + L'\0');
        EXPECT_EQ(after.count(L"HotIcon"), 0u) << "an emptied hot icon leaves the key, as creation writes it";
        EXPECT_EQ(after.at(L"Default Visible"), std::wstring(L"No") + L'\0');
    }
    const std::optional<ButtonDefinition> loaded = buttons.Load(L"Notes").button;
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->menuText, L"Open Jots");
    EXPECT_FALSE(loaded->defaultVisible);
}

TEST_F(EditTest, NewTextTakesTheEntryAlongAndReplacesAnotherButtonOnlyAsThePolicySays) {
    const ButtonDefinition button = Made();
    const ButtonDefinition jots = Made(L"Jots", HKEY_CURRENT_USER);
    const auto rename = [](ButtonDefinition& b) { b.buttonText = L"Jots"; };

    const ButtonOutcome kept = Edit(L"Notes", rename);
    EXPECT_EQ(kept.kind, Kind::NotReplaced);
    EXPECT_EQ(kept.earlier, jots.guid);
    EXPECT_EQ(catalogue.GuidOf(L"Notes"), button.guid);

    EXPECT_EQ(Edit(L"Notes", rename, nullptr, {ReplacePolicy::Mode::Only, jots.guid}).kind, Kind::Saved);
    EXPECT_FALSE(catalogue.Contains(L"Notes"));
    EXPECT_EQ(catalogue.GuidOf(L"Jots"), button.guid);
    EXPECT_TRUE(ValuesAt(kUser, jots.guid).empty()) << "the replaced button is deleted";
    EXPECT_EQ(ValuesAt(k32, button.guid).at(L"ButtonText"), std::wstring(L"Jots") + L'\0');
}

// Each kind of entry loads as it was made, saves unchanged without a write,
// and saves into the next kind with exactly the values that kind has.
TEST_F(EditTest, EveryKindLoadsAsItWasMadeAndSavesIntoAnother) {
    const auto kind = [](bool script, bool menuOnly, bool helpMenu) {
        ButtonDefinition button{L"", L"C:\\Tools\\run", L"C:\\Tools\\lib.dll,-3", L"", L"", L"Menu", L"Status", L"Tip"};
        button.script = script;
        button.menuOnly = menuOnly;
        button.helpMenu = helpMenu;
        if (!menuOnly) button.hotIcon = L"C:\\Tools\\lib.dll,4";
        return button;
    };
    const ButtonDefinition kinds[] = {kind(false, false, false), kind(true, false, true), kind(false, true, false),
                                      kind(true, true, true)};
    for (size_t i = 0; i < std::size(kinds); ++i) {
        SCOPED_TRACE(i);
        ButtonDefinition made = kinds[i];
        made.guid = this->made.Add(CreateGUID());
        made.buttonText = L"Kind " + std::to_wstring(i);
        ASSERT_EQ(buttons.Create(made, kAny).kind, Kind::Created);
        const std::optional<ButtonDefinition> loaded = buttons.Load(made.buttonText).button;
        ASSERT_TRUE(loaded);
        EXPECT_EQ(KeyValuesOf(*loaded), KeyValuesOf(made));
        EXPECT_EQ(std::tie(loaded->script, loaded->menuOnly, loaded->helpMenu, loaded->buttonText),
                  std::tie(made.script, made.menuOnly, made.helpMenu, made.buttonText));
        api.written.clear();
        EXPECT_EQ(buttons.Save(*loaded, made.buttonText, {}).kind, Kind::Saved);
        EXPECT_TRUE(api.written.empty());

        ButtonDefinition next = kinds[(i + 1) % std::size(kinds)];
        next.guid = made.guid;
        next.buttonText = made.buttonText;
        EXPECT_EQ(buttons.Save(next, made.buttonText, {}).kind, Kind::Saved);
        Values expected;
        for (const RegistryValue& value : KeyValuesOf(next))
            expected[value.name] = std::wstring(reinterpret_cast<const wchar_t*>(value.data.data()), value.data.size() / 2);
        EXPECT_EQ(ValuesAt(k64, made.guid), expected);
        EXPECT_EQ(ValuesAt(k32, made.guid), expected);
    }
}

TEST_F(EditTest, SaveAfterAnotherCopyRenamedTheButtonAndMadeANewOneOfItsTextWritesNothing) {
    const ButtonDefinition button = Made();
    std::optional<ButtonDefinition> loaded = buttons.Load(L"Notes").button;
    ASSERT_TRUE(loaded);
    loaded->menuText = L"Changed here";

    // Meanwhile another copy of the program renames it and makes a new "Notes".
    std::optional<ButtonDefinition> renamed = buttons.Load(L"Notes").button;
    renamed->buttonText = L"Jots";
    ASSERT_EQ(buttons.Save(*renamed, L"Notes", {}).kind, Kind::Saved);
    const ButtonDefinition newer = Made();

    EXPECT_EQ(buttons.Save(*loaded, L"Notes", {}).kind, Kind::ListChanged);
    EXPECT_EQ(catalogue.GuidOf(L"Notes"), newer.guid);
    EXPECT_EQ(catalogue.GuidOf(L"Jots"), button.guid);
    EXPECT_EQ(ValuesAt(k64, button.guid).at(L"MenuText"), std::wstring(L"Open Notes") + L'\0');
    EXPECT_EQ(ValuesAt(k64, newer.guid).at(L"MenuText"), std::wstring(L"Open Notes") + L'\0');
}

TEST_F(EditTest, NewHiveMovesTheKeyAndRefusedWritesPutTheButtonBack) {
    const ButtonDefinition button = Made();
    const Values before = ValuesAt(k64, button.guid);

    RecordingRegistry refusing;
    refusing.Refuse(RegCall::Set, ERROR_ACCESS_DENIED, L"MenuText", KEY_WOW64_32KEY);
    const ButtonOutcome refused = Edit(L"Notes", [](ButtonDefinition& b) { b.menuText = L"Changed"; }, &refusing);
    EXPECT_EQ(refused.kind, Kind::NotWritten);
    EXPECT_GT(refused.written, 0u);
    EXPECT_EQ(ValuesAt(k64, button.guid), before);
    EXPECT_EQ(ValuesAt(k32, button.guid), before);

    EXPECT_EQ(Edit(L"Notes", [](ButtonDefinition& b) { b.rootKey = HKEY_CURRENT_USER; }).kind, Kind::Saved);
    EXPECT_EQ(ValuesAt(kUser, button.guid), before);
    EXPECT_TRUE(ValuesAt(k64, button.guid).empty());
    EXPECT_TRUE(ValuesAt(k32, button.guid).empty());
    EXPECT_EQ(catalogue.GuidOf(L"Notes"), button.guid);
}

}  // namespace
}  // namespace barsmith
