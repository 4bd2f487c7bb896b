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

// One registry call on a button's key that the system refused.
struct KeyFailure {
    enum class Step { Create, Open, WriteValue, DeleteValue };
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

// The keys of a creation that failed, deleted again: how many there were,
// and those that could not be deleted.
struct TakenBack {
    size_t found = 0;
    std::vector<PlaceStatus> left;
};

// How to put one place's key back as it was before a rewrite.
struct KeyUndo {
    KeyPlace place;
    bool made;  // the rewrite made the key: deleting it undoes it
    std::vector<std::pair<std::wstring, std::optional<RegistryValue>>> values;
};

// What deleting the keys of a replaced button left: keys of another kind,
// which are never deleted, and keys that could not be.
struct Retired {
    std::vector<KeyPlace> foreign;
    std::vector<PlaceStatus> left;
};

class ButtonKeys {
public:
    explicit ButtonKeys(RegistryApi& api) : api_(api) {}

    RegistryApi& Api() const { return api_; }
    std::vector<FoundKey> Find(const std::wstring& guid) const { return FindButtonKeys(api_, guid); }

    // Creates the key of `guid` in every place of `hive` and writes the
    // values in order. On failure the keys made are taken back.
    std::optional<KeyFailure> Write(const std::wstring& guid, HKEY hive, const std::vector<RegistryValue>& values,
                                    TakenBack& takenBack) const;
    // Deletes every key of a button whose creation failed: only keys that
    // creation made are there to find, since the GUID was checked free before.
    TakenBack TakeBack(const std::wstring& guid) const;
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
    // Deletes the keys of this program's kind of a button another replaced.
    Retired Retire(const std::wstring& guid) const;

private:
    std::optional<KeyFailure> WriteKey(const std::wstring& guid, KeyPlace place,
                                       const std::vector<RegistryValue>& values) const;
    std::optional<KeyFailure> RewriteKey(KeyPlace place, const RegKey& key,
                                         const std::vector<RegistryValue>& values) const;
    LSTATUS DeleteAt(KeyPlace place, const std::wstring& guid) const;

    RegistryApi& api_;
};

// "the registry key\n\n<key>\n\ncould not be created: <why>" and its kin: the
// failure as the middle of a message that names the button first.
std::wstring Described(const KeyFailure& failure, const std::wstring& guid);
// Each place as "\n<key>: <why>".
std::wstring Listed(const std::vector<PlaceStatus>& places, const std::wstring& guid);

}  // namespace barsmith
