#pragma once
// The buttons an export writes, as every file format takes them: each My
// Buttons entry with its key in every place the key is, the values as the
// registry holds them.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "model/button_definition.h"

namespace barsmith {

struct ExportedKey {
    KeyPlace place;
    std::vector<RegistryValue> values;
};

struct ExportedEntry {
    std::wstring text;  // its name in My Buttons
    std::wstring guid;  // a GUID string: the name of its key
    std::vector<ExportedKey> keys;
};

// What a file format cannot carry of the entries: the first such thing, with
// the entry and key it is in (indexes into the entries and their keys) and
// the value's name.
struct UnfitValue {
    enum class Why {
        EntryText,  // the entry's text holds a character the format cannot hold
        Name,       // the value's name holds a character the format cannot hold
        NotText,    // the value is no whole text: another type, or data that is no string ended by one NUL
        Character,  // the text holds a character the format cannot hold
        Empty,      // the text is empty, which the format cannot tell from no value
    };
    size_t entry = 0;
    size_t key = 0;
    std::wstring name;
    Why why = Why::Name;
};

// The text of a REG_SZ value whose data is exactly one string and its
// terminating NUL; nothing for any other value.
std::optional<std::wstring> WholeText(const RegistryValue& value);

}  // namespace barsmith
