#pragma once
// The per-user application settings store: entries of (key, value) texts grouped
// into sections of an application. It lives in the registry, one REG_SZ value per
// entry under HKEY_CURRENT_USER\Software\<application>\<section>, with the
// entry's key as the value's name and its value as the data.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/registry_key.h"

namespace barsmith {

struct SettingsEntry {
    std::wstring key;
    std::wstring value;
};

// What tells one state of a section from another without reading it: the
// number of entries and the time of its last change.
struct SectionStamp {
    DWORD entries = 0;
    FILETIME written{};
    bool operator==(const SectionStamp& other) const {
        return entries == other.entries && written.dwLowDateTime == other.written.dwLowDateTime &&
               written.dwHighDateTime == other.written.dwHighDateTime;
    }
};

class SettingsStore {
public:
    explicit SettingsStore(RegistryApi& api) : api_(api) {}

    // Every entry of the section, in the order the registry enumerates them.
    // Empty when the section is missing, empty, or cannot be read.
    std::vector<SettingsEntry> Entries(const std::wstring& application, const std::wstring& section) const;
    // The value stored under `key`, or the empty text when there is none.
    std::wstring Value(const std::wstring& application, const std::wstring& section,
                            const std::wstring& key) const;
    // The value stored under `key`, or nothing when there is no such entry
    // (or the section cannot be read).
    std::optional<std::wstring> Find(const std::wstring& application, const std::wstring& section,
                                            const std::wstring& key) const;
    // Whether entries of the section may be changed now: the system's status
    // of opening it for writing.
    LSTATUS CanChange(const std::wstring& application, const std::wstring& section) const;
    // Creates the entry (and its section), or replaces the value of an existing
    // one. Gives the system's status; on failure the store is unchanged.
    LSTATUS Write(const std::wstring& application, const std::wstring& section, const std::wstring& key,
                        const std::wstring& value) const;
    // Removes the entry. Gives ERROR_FILE_NOT_FOUND when there was none.
    LSTATUS Remove(const std::wstring& application, const std::wstring& section,
                          const std::wstring& key) const;
    // Nothing when the section is missing or cannot be read.
    std::optional<SectionStamp> Stamp(const std::wstring& application, const std::wstring& section) const;

private:
    LSTATUS OpenSection(const std::wstring& application, const std::wstring& section, REGSAM access,
                        RegKey& key) const;

    RegistryApi& api_;
};

// The registry path below HKEY_CURRENT_USER that holds one section.
std::wstring SectionPath(const std::wstring& application, const std::wstring& section);

}  // namespace barsmith
