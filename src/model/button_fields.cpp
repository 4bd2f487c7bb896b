#include "model/button_fields.h"

#include <algorithm>
#include <array>

#include "platform/names.h"

namespace barsmith {
namespace {

using B = ButtonDefinition;

bool Always(const B&) { return true; }
bool IsProgram(const B& b) { return !b.script; }
bool IsScript(const B& b) { return b.script; }
bool IsToolbarButton(const B& b) { return !b.menuOnly; }
bool InHelpMenu(const B& b) { return b.helpMenu; }

template <std::wstring B::*Member>
std::wstring Text(const B& b) {
    return b.*Member;
}
template <std::wstring B::*Member>
void Take(B& b, const std::wstring& text) {
    b.*Member = text;
}

std::wstring Clsid(const B&) { return kRunProgramButtonClsid; }
void Ignore(B&, const std::wstring&) {}

std::wstring Visibility(const B& b) { return b.defaultVisible ? L"Yes" : L"No"; }
void TakeVisibility(B& b, const std::wstring& text) { b.defaultVisible = !SameName(text, L"No"); }

// The browser puts an item whose "MenuCustomize" is "help" into its Help menu.
std::wstring HelpMenu(const B&) { return L"help"; }
void TakeHelpMenu(B& b, const std::wstring& text) { b.helpMenu = SameName(text, L"help"); }


void TakeProgram(B& b, const std::wstring& text) {
    b.exec = text;
    b.script = false;
}
void TakeScript(B& b, const std::wstring& text) {
    b.exec = text;
    b.script = true;
}

using F = FieldId;

const std::array<ButtonField, 11> kFields{{
    {L"Exec", IsProgram, Text<&B::exec>, TakeProgram, F::Path, true, L"Application", L"--program", L"PATH", nullptr,
     0},
    {L"Script", IsScript, Text<&B::exec>, TakeScript, F::Path, true, L"Script", L"--script", L"PATH", nullptr, 0},
    {L"Icon", IsToolbarButton, Text<&B::icon>, Take<&B::icon>, F::Icon, true, L"Default Icon", L"--icon", L"PATH",
     nullptr, 0},
    {L"HotIcon", IsToolbarButton, Text<&B::hotIcon>, Take<&B::hotIcon>, F::HotIcon, false, L"Hot Icon",
     L"--hot-icon", L"PATH", nullptr, 0},
    // The window's one-line Button Text box takes at most 25 characters.
    {L"ButtonText", IsToolbarButton, Text<&B::buttonText>, Take<&B::buttonText>, F::ButtonText, true, L"Button Text",
     L"--text", L"TEXT", nullptr, 25},
    {L"CLSID", Always, Clsid, Ignore, std::nullopt, false, nullptr, nullptr, nullptr, nullptr, 0},
    {L"Default Visible", IsToolbarButton, Visibility, TakeVisibility, std::nullopt, false, nullptr, L"--hidden",
     nullptr, L"No", 0},
    {L"MenuText", Always, Text<&B::menuText>, Take<&B::menuText>, F::MenuText, true, L"Menu Text", L"--menu-text",
     L"TEXT", nullptr, 0},
    {L"MenuStatusBar", Always, Text<&B::menuStatusBar>, Take<&B::menuStatusBar>, F::StatusBarText, true,
     L"Status Bar Text", L"--status-text", L"TEXT", nullptr, 0},
    {L"MenuCustomize", InHelpMenu, HelpMenu, TakeHelpMenu, std::nullopt, false, nullptr, L"--help-menu", nullptr,
     L"help", 0},
    {L"ToolTip", IsToolbarButton, Text<&B::toolTip>, Take<&B::toolTip>, F::ToolTip, true, L"Tool Tip", L"--tooltip",
     L"TEXT", nullptr, 0},
}};

}  // namespace

std::span<const ButtonField> ButtonFields() { return kFields; }

const ButtonField& FieldOf(const ButtonDefinition& button, FieldId field) {
    const ButtonField* found = nullptr;
    for (const ButtonField& row : kFields) {
        if (row.field != field) continue;
        found = &row;
        if (row.holds(button)) break;
    }
    return *found;  // every FieldId has a row
}

std::vector<std::wstring> ExtensionValueNames() {
    std::vector<std::wstring> names;
    for (const ButtonField& row : kFields) names.emplace_back(row.value);
    return names;
}

std::vector<RegistryValue> KeyValuesOf(const ButtonDefinition& button) {
    std::vector<RegistryValue> values;
    for (const ButtonField& row : kFields) {
        if (!row.holds(button)) continue;
        const std::wstring text = row.text(button);
        if (!text.empty()) values.push_back(TextValue(row.value, text));  // an empty optional text is no value
    }
    return values;
}

ButtonDefinition EntryFromValues(const std::vector<RegistryValue>& values, const std::wstring& guid, HKEY hive,
                                 const std::wstring& name) {
    ButtonDefinition button;
    button.guid = guid;
    button.rootKey = hive;
    bool toolbarValues = false;
    for (const ButtonField& row : kFields) {
        const auto value = std::find_if(values.begin(), values.end(),
                                        [&](const RegistryValue& held) { return SameName(held.name, row.value); });
        if (value == values.end()) continue;
        row.take(button, TextOf(value->data));
        toolbarValues = toolbarValues || (row.holds == IsToolbarButton && row.field);
    }
    // An entry whose key has none of a toolbar button's texts is a menu item only.
    button.menuOnly = !toolbarValues;
    if (button.menuOnly || button.buttonText.empty()) button.buttonText = name;
    return button;
}

std::optional<TextProblem> FirstTextProblem(const ButtonDefinition& button) {
    for (const ButtonField& row : kFields) {
        // Every text the user gives, also one its kind does not write (the
        // name in My Buttons of a menu item), in the row that holds it.
        if (!row.field || &FieldOf(button, *row.field) != &row) continue;
        const std::wstring text = row.text(button);
        const auto bad = std::find_if(text.begin(), text.end(), IsControlCharacter);
        if (bad != text.end()) return TextProblem{&row, *bad};
        if (row.maxLength && text.size() > row.maxLength) return TextProblem{&row, 0};
    }
    return std::nullopt;
}

std::vector<std::wstring> MissingValues(const std::vector<RegistryValue>& values) {
    const ButtonDefinition entry = EntryFromValues(values, {}, nullptr, {});
    std::vector<std::wstring> missing;
    for (const ButtonField& row : kFields) {
        const bool held = std::any_of(values.begin(), values.end(),
                                      [&](const RegistryValue& value) { return SameName(value.name, row.value); });
        if ((row.required || !row.field) && row.holds(entry) && !held) missing.emplace_back(row.value);
    }
    return missing;
}

ButtonDefinition Named(ButtonDefinition button) {
    if (button.menuOnly && button.buttonText.empty()) button.buttonText = button.menuText;
    return button;
}

const ButtonField* FirstMissingField(const ButtonDefinition& button) {
    for (const ButtonField& row : kFields) {
        if (row.required && row.holds(button) && row.text(button).empty()) return &row;
    }
    return nullptr;
}

}  // namespace barsmith
