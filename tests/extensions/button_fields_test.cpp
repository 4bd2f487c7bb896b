// The table of an entry's values: which texts each kind requires, which texts
// it refuses, how a key's values read back, and a menu item renamed in case.
#include "model/button_fields.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "cli/outcome_lines.h"
#include "mainwindow/button_messages.h"
#include "model/guid.h"
#include "support/buttons_fixture.h"

namespace barsmith {
namespace {

using B = ButtonDefinition;
using F = FieldId;

B Filled(bool script = false, bool menuOnly = false) {
    B button{L"", L"C:\\Tools\\notes.exe", L"C:\\Icons\\note.ico", L"", L"Notes", L"Open Notes", L"Starts", L"Tip"};
    button.script = script;
    button.menuOnly = menuOnly;
    return button;
}

const std::pair<F, std::wstring B::*> kTexts[] = {
    {F::Path, &B::exec},         {F::Icon, &B::icon},
    {F::HotIcon, &B::hotIcon},   {F::ButtonText, &B::buttonText},
    {F::MenuText, &B::menuText}, {F::StatusBarText, &B::menuStatusBar},
    {F::ToolTip, &B::toolTip}};

TEST(ButtonFieldsTest, EachKindRequiresItsOwnFieldsAndABlankFillsOne) {
    const std::set<F> toolbar{F::Path, F::Icon, F::ButtonText, F::MenuText, F::StatusBarText, F::ToolTip};
    const std::set<F> menu{F::Path, F::MenuText, F::StatusBarText};
    const struct {
        bool script, menuOnly;
        const std::set<F>& required;
        const wchar_t* pathValue;
    } kinds[] = {{false, false, toolbar, L"Exec"}, {true, false, toolbar, L"Script"},
                 {false, true, menu, L"Exec"},     {true, true, menu, L"Script"}};
    for (const auto& kind : kinds) {
        for (const auto& [field, text] : kTexts) {
            SCOPED_TRACE(::testing::Message() << kind.pathValue << (kind.menuOnly ? " menu item, " : ", ") << int(field));
            B button = Filled(kind.script, kind.menuOnly);
            button.*text = L"";
            const ButtonField* missing = FirstMissingField(button);
            ASSERT_EQ(missing != nullptr, kind.required.contains(field));
            if (!missing) continue;
            EXPECT_EQ(missing->field, field);
            EXPECT_STREQ(missing->value, field == F::Path ? kind.pathValue : missing->value);
            button.*text = L" ";
            EXPECT_EQ(FirstMissingField(button), nullptr);
        }
    }
}

TEST(ButtonFieldsTest, TextsPassUpToTheirLimitAndWithoutControlCharacters) {
    const struct {
        F field;
        std::wstring text;
        const wchar_t* told;  // nothing: the text passes
        wchar_t character = 0;
    } table[] = {
        {F::ButtonText, std::wstring(25, L'x'), nullptr},
        {F::ButtonText, std::wstring(26, L'x'), L"has 26 characters; it may have at most 25."},
        {F::MenuText, std::wstring(2000, L'x'), nullptr},
        {F::ToolTip, L"\x1F\x7F", L"U+001F", 0x1F},
        {F::ToolTip, L" ~ ", nullptr},
        {F::StatusBarText, L"a\x7F", L"U+007F", 0x7F},
        {F::Path, L"\x80", L"U+0080", 0x80},
        {F::Icon, L"a\x9F", L"U+009F", 0x9F},
        {F::MenuText, L"\xA0\x2027\x202A", nullptr},
        {F::HotIcon, L"\x2028", L"U+2028", 0x2028},
        {F::ButtonText, L"x\x2029", L"U+2029", 0x2029},
    };
    for (const bool menuOnly : {false, true}) {
        for (const auto& row : table) {
            // A menu item writes no icons or tool tip; its name in My Buttons is checked all the same.
            if (menuOnly && (row.field == F::Icon || row.field == F::HotIcon || row.field == F::ToolTip)) continue;
            B button = Filled(false, menuOnly);
            FieldOf(button, row.field).take(button, row.text);
            const std::optional<TextProblem> problem = FirstTextProblem(button);
            ASSERT_EQ(problem.has_value(), row.told != nullptr) << int(row.field) << " " << int(row.text[0]);
            if (!problem) continue;
            EXPECT_EQ(problem->field->field, row.field);
            if (row.field == F::Path) {
                EXPECT_STREQ(problem->field->value, L"Exec") << "the row of a program";
            }
            EXPECT_EQ(problem->character, row.character);
            const std::wstring told = TextProblemLine(*problem, row.text);
            EXPECT_NE(told.find(row.told), std::wstring::npos) << told;
        }
    }
}

TEST(ButtonFieldsTest, AKeyReadsBackAsItsKindWithNamesHelpAndNoInAnyCase) {
    const struct {
        std::vector<std::pair<std::wstring, std::wstring>> values;
        const wchar_t* kind;
        const wchar_t* name;
        bool visible;
        std::vector<std::wstring> missing;
    } table[] = {
        {{{L"EXEC", L"a"}, {L"icon", L"i"}, {L"ButtonText", L"B"}, {L"clsid", L"c"}, {L"Default Visible", L"no"},
          {L"MenuText", L"M"}, {L"MenuStatusBar", L"S"}, {L"TOOLTIP", L"T"}},
         L"toolbar button that starts a program", L"B", false, {}},
        {{{L"Script", L"s"}, {L"MenuText", L"M"}, {L"MenuStatusBar", L"S"}, {L"CLSID", L"c"}, {L"menucustomize", L"HELP"}},
         L"menu item that runs a script, in the Help menu", L"Entry", true, {}},
        {{{L"Exec", L"a"}, {L"MenuText", L"M"}, {L"MenuCustomize", L"helpful"}},
         L"menu item that starts a program, in the Tools menu", L"Entry", true, {L"CLSID", L"MenuStatusBar"}},
        // Default Visible is no text of a toolbar button's: a key without them is a menu item.
        {{{L"Exec", L"a"}, {L"MenuText", L"M"}, {L"MenuStatusBar", L"S"}, {L"CLSID", L"c"}, {L"Default Visible", L"Yes"}},
         L"menu item that starts a program, in the Tools menu", L"Entry", true, {}},
        {{{L"Exec", L"a"}, {L"ToolTip", L"T"}, {L"Default Visible", L"Yes"}, {L"MenuCustomize", L"Help"}},
         L"toolbar button that starts a program, in the Help menu", L"Entry", true,
         {L"Icon", L"ButtonText", L"CLSID", L"MenuText", L"MenuStatusBar"}},
    };
    for (const auto& row : table) {
        std::vector<RegistryValue> values;
        for (const auto& [name, text] : row.values) values.push_back(TextValue(name, text));
        const B entry = EntryFromValues(values, L"{G}", HKEY_CURRENT_USER, L"Entry");
        EXPECT_EQ(KindText(entry), row.kind);
        EXPECT_EQ(entry.defaultVisible, row.visible) << row.kind;
        EXPECT_EQ(entry.buttonText, row.name) << row.kind;
        EXPECT_EQ(MissingValues(values), row.missing) << row.kind;
    }
}

class MenuItemTest : public testing::ButtonsFixture {};

TEST_F(MenuItemTest, RenamedOnlyInLetterCaseItKeepsItsOneEntry) {
    B item{made.Add(CreateGUID()), L"C:\\Tools\\notes.exe", L"", L"", L"", L"open notes", L"Starts", L""};
    item.menuOnly = true;
    ASSERT_EQ(buttons.Create(item, {}).kind, ButtonOutcome::Kind::Created);
    std::optional<B> loaded = buttons.Load(L"open notes").button;
    ASSERT_TRUE(loaded);
    loaded->buttonText.clear();  // named by its menu text
    loaded->menuText = L"Open Notes";
    const ButtonOutcome saved = buttons.Save(*loaded, L"open notes", {});
    EXPECT_EQ(saved.kind, ButtonOutcome::Kind::Saved);
    EXPECT_TRUE(saved.leftOver.Clean());
    EXPECT_EQ(catalogue.ButtonTexts(), std::vector<std::wstring>{L"Open Notes"});
    EXPECT_EQ(catalogue.GuidOf(L"Open Notes"), item.guid);
    EXPECT_EQ(testing::ValueIn(HKEY_LOCAL_MACHINE, item.guid, L"MenuText"), L"Open Notes");
}

}  // namespace
}  // namespace barsmith
