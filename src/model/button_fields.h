#pragma once
// The values of an entry's key, one row each, in the order they are written:
// which kinds of entry hold the value, whether it may be left out, the field
// the user gives it in (with its label, command-line option and limits), and
// how it is read back. Creation, saving, reading back, export, the command
// line and validation all go through this table: a new value is one row.
#include <windows.h>

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "model/button_definition.h"

namespace barsmith {

// The texts the user gives, each edited by one control of the window.
enum class FieldId { Path, Icon, HotIcon, ButtonText, MenuText, StatusBarText, ToolTip };

struct ButtonField {
    const wchar_t* value;                     // the registry value
    bool (*holds)(const ButtonDefinition&);   // whether an entry of this kind has it
    std::wstring (*text)(const ButtonDefinition&);  // the value's text
    // Takes the value's text into the entry: read back from a key, or given
    // as the command-line option.
    void (*take)(ButtonDefinition&, const std::wstring&);
    std::optional<FieldId> field;             // the text the user gives it in, if any
    bool required;                            // an entry that has it may not leave it empty
    const wchar_t* label;                     // the field's name in messages
    const wchar_t* option;                    // on the command line, if it has one
    const wchar_t* optionValue;               // what the option takes ("PATH"), or none: a flag
    const wchar_t* flagText;                  // the text a flag gives the value
    size_t maxLength;                         // 0: no limit of the program's own
};

// Every row, in the order the browser documents the values and they are written.
std::span<const ButtonField> ButtonFields();
// The row of the text the user gives in `field` that the entry's key holds.
const ButtonField& FieldOf(const ButtonDefinition& button, FieldId field);

// The names of every value an entry's key may have, in the table's order.
std::vector<std::wstring> ExtensionValueNames();

// The values of the entry's key, in order: each value its kind holds, but
// for an optional one left empty.
std::vector<RegistryValue> KeyValuesOf(const ButtonDefinition& button);
// The entry a key of these values describes: every value the table knows
// read back, and the kind told by the values there are. `name` is its My
// Buttons entry.
ButtonDefinition EntryFromValues(const std::vector<RegistryValue>& values, const std::wstring& guid, HKEY hive,
                                 const std::wstring& name);

// The values a key of these values lacks that an entry of its kind always
// has (its kind told by the values there are), in the table's order.
std::vector<std::wstring> MissingValues(const std::vector<RegistryValue>& values);

// The entry with its name in My Buttons: the button text, or for a menu item
// that is given none, its menu text.
ButtonDefinition Named(ButtonDefinition button);

// The first required field the entry leaves empty (blanks count as filled).
const ButtonField* FirstMissingField(const ButtonDefinition& button);

// A text the entry may not have: one with a control character (a C0 or C1
// control, DEL, a line or paragraph separator), which the browser's menus
// and tips cannot show and which would break the lines of a list, or one
// longer than its field takes.
struct TextProblem {
    const ButtonField* field;
    wchar_t character = 0;  // the first control character, or 0 when the text is too long
};
std::optional<TextProblem> FirstTextProblem(const ButtonDefinition& button);

}  // namespace barsmith
