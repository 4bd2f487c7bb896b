#pragma once
// The registry operations that creation, preview and removal of buttons use.
// Failures come back as results only: an empty RegKey, false, an empty text or
// the system's status code. The one exception is ParseKey, which tells the user
// about a malformed full key path.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/registry_api.h"
#include "platform/message_box.h"

namespace barsmith {

// Access for creating and opening keys: query, set, create sub-key, enumerate,
// notify and create link, without the standard rights.
inline constexpr REGSAM kKeyAccess = KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_ENUMERATE_SUB_KEYS |
                                     KEY_NOTIFY | KEY_CREATE_LINK;
// Access for opening the root before a deletion (KEY_WRITE).
inline constexpr REGSAM kDeleteAccess = KEY_WRITE;
static_assert(kKeyAccess == 0x3F && kDeleteAccess == 0x20006);

// One value as the registry holds it.
struct RegistryValue {
    std::wstring name;
    DWORD type = REG_SZ;
    std::vector<BYTE> data;  // with the terminating NUL of a string, as it was written
    bool operator==(const RegistryValue&) const = default;
};
// The REG_SZ value `name` holding `text`, with its terminating NUL, as SetKeyValue writes it.
RegistryValue TextValue(const std::wstring& name, const std::wstring& text);
// A value's data as text: up to its first NUL, an odd last byte being no
// character. The value's type plays no part.
std::wstring TextOf(const std::vector<BYTE>& data);

class RegistryAccess {
public:
    RegistryAccess(RegistryApi& api, MessageBoxSeam& messages) : api_(api), messages_(messages) {}

    // Creates the key and every missing parent, or opens it when it exists.
    // `status`, when given, receives the system's status; `view` chooses a
    // registry view of the machine-wide hive (KEY_WOW64_64KEY, KEY_WOW64_32KEY).
    RegKey CreateNewKey(HKEY root, const std::wstring& subKey, LSTATUS* status = nullptr, REGSAM view = 0) const;
    // True when the key can be opened with kKeyAccess; the key is closed again.
    bool KeyExists(HKEY root, const std::wstring& subKey) const;
    RegKey OpenKey(HKEY root, const std::wstring& subKey, LSTATUS* status = nullptr, REGSAM view = 0) const;
    // Writes `text` as UTF-16 with its terminating NUL. An empty text writes
    // nothing (the value stays absent or keeps its data) and gives 0.
    LSTATUS SetKeyValue(HKEY key, const std::wstring& name, DWORD type, const std::wstring& text) const;
    // The value as it is, or nothing when the key has no such value (or it
    // cannot be read).
    std::optional<RegistryValue> ReadValue(HKEY key, const std::wstring& name) const;
    LSTATUS WriteValue(HKEY key, const RegistryValue& value) const;
    LSTATUS DeleteValue(HKEY key, const std::wstring& name) const { return api_.DeleteValue(key, name); }
    // The value's data as text up to its first NUL; empty for no key, a missing
    // value or one with empty data. The value's type plays no part.
    std::wstring QueryValue(HKEY key, const std::wstring& name) const;
    // Deletes the key (which must have no sub-keys) named by a full path such as
    // "HKEY_LOCAL_MACHINE\Software\...". Gives ERROR_BAD_PATHNAME for a path that
    // ParseKey refused or whose root is unknown, else the system's status.
    LSTATUS DeleteKey(std::wstring fullPath) const;
    // Deletes the key (which must have no sub-keys) in the given registry view.
    LSTATUS DeleteKey(HKEY root, const std::wstring& subKey, REGSAM view) const;
    // Gives the root of a full path and leaves the sub-key part in `path`. A
    // malformed path gives 0 with the "Incorrect Format:" message and stays
    // untouched; an unknown root name gives 0 without a message.
    HKEY ParseKey(std::wstring& path) const;

    RegistryApi& Api() const { return api_; }

private:
    RegistryApi& api_;
    MessageBoxSeam& messages_;
};

// The value `name` of the open key, or nothing when there is none (or it
// cannot be read).
std::optional<RegistryValue> ReadRegistryValue(RegistryApi& api, HKEY key, const std::wstring& name);
// Every value of the open key, in the order the registry enumerates them. A
// read that fails ends the list there, with its status in `status` when given.
std::vector<RegistryValue> EnumerateValues(RegistryApi& api, HKEY key, LSTATUS* status = nullptr);

// The text up to its first NUL character; a text without NUL comes back whole.
std::wstring TrimNull(const std::wstring& text);
// The predefined root named exactly (case-sensitively) by `name`, or 0.
HKEY GetRootKey(const std::wstring& name);
// The name of a predefined root, as GetRootKey takes it; empty for any other key.
std::wstring RootKeyName(HKEY root);

}  // namespace barsmith
