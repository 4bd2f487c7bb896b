#pragma once
// The registry work on one button's keys, in every place the button is:
// writing a new key, rewriting an existing one with a way back, deleting.
// Each operation says what it did and what failed, as data; what the user
// is told is decided by the caller.
#include <windows.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "model/button_fields.h"

namespace barsmith {

// Access for writing a button's key: query, set, create sub-key, enumerate,
// notify and create link, without the standard rights.
inline constexpr REGSAM kKeyAccess = KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_ENUMERATE_SUB_KEYS |
                                     KEY_NOTIFY | KEY_CREATE_LINK;
static_assert(kKeyAccess == 0x3F);

// One step of a change of a button that failed: a registry call the system
// refused, a key of another kind in the way, or My Buttons refusing the entry.
struct KeyFailure {
    enum class Step {
        Create,       // its key could not be created
        Open,         // its key could not be opened for writing
        WriteValue,   // a value could not be written
        DeleteValue,  // a value could not be removed
        Foreign,      // a key that is no button of this program's, or cannot be read, is where it goes
        DeleteKey,    // its key could not be deleted
        Record,       // My Buttons refused its entry (no place)
        Unlist,       // My Buttons refused to remove its entry (no place)
    };
    Step step;
    KeyPlace place;
    std::wstring value;  // the value's name, for WriteValue and DeleteValue
    LSTATUS status;
};

// A place whose key could not be deleted or put back, and why.
struct PlaceStatus {
    KeyPlace place;
    LSTATUS status;
};

// How to put one place's key back as it was before a rewrite.
struct KeyUndo {
    KeyPlace place;
    bool made;  // the rewrite made the key: deleting it undoes it
    std::vector<std::pair<std::wstring, std::optional<RegistryValue>>> values;
};

class ButtonKeys {
public:
    explicit ButtonKeys(RegistryApi& api) : api_(api) {}

    RegistryApi& Api() const { return api_; }
    std::vector<FoundKey> Find(const std::wstring& guid) const { return FindButtonKeys(api_, guid); }

    // Writes the values into every place of `hive`, making keys that are
    // missing (`before` says which are there), and changes only the values
    // that differ, so that an unchanged button writes nothing; a value a
    // button may have that is not among them leaves the key. `undo` gathers
    // the way back, to be used on failure.
    std::optional<KeyFailure> Rewrite(const std::wstring& guid, HKEY hive, const std::vector<RegistryValue>& values,
                                      const std::vector<FoundKey>& before, std::vector<KeyUndo>& undo) const;
    // True when the keys `before` are exactly the places of `hive`, each
    // holding these values and no other value a button may have: a rewrite
    // would change nothing.
    bool Hold(HKEY hive, const std::vector<RegistryValue>& values, const std::vector<FoundKey>& before) const;
    // What could not be put back.
    std::vector<PlaceStatus> PutBack(const std::wstring& guid, const std::vector<KeyUndo>& undo) const;
    // Deletes the key at each place; what could not be deleted.
    std::vector<PlaceStatus> Delete(const std::wstring& guid, const std::vector<KeyPlace>& places) const;
private:
    std::optional<KeyFailure> RewriteKey(KeyPlace place, const RegKey& key,
                                         const std::vector<RegistryValue>& values) const;
    LSTATUS DeleteAt(KeyPlace place, const std::wstring& guid) const;

    RegistryApi& api_;
};

}  // namespace barsmith
