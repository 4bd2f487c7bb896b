#include "storage/settings_store.h"

namespace barsmith {
std::wstring SectionPath(const std::wstring& application, const std::wstring& section) {
    return L"Software\\" + application + L"\\" + section;
}

LSTATUS SettingsStore::OpenSection(const std::wstring& application, const std::wstring& section, REGSAM access,
                                   RegKey& key) const {
    return key.Open(api_, HKEY_CURRENT_USER, SectionPath(application, section), access);
}

std::vector<SettingsEntry> SettingsStore::Entries(const std::wstring& application,
                                                         const std::wstring& section) const {
    std::vector<SettingsEntry> entries;
    RegKey key;
    std::vector<RegistryValue> values;
    if (OpenSection(application, section, KEY_QUERY_VALUE, key) != ERROR_SUCCESS) return entries;
    key.Values(values);  // as far as it could be read
    for (RegistryValue& value : values) {
        // The unnamed default value of the section key is not an entry.
        if (!value.name.empty()) entries.push_back({std::move(value.name), TextOf(value.data)});
    }
    return entries;
}

std::wstring SettingsStore::Value(const std::wstring& application, const std::wstring& section,
                                       const std::wstring& key) const {
    return Find(application, section, key).value_or(std::wstring());
}

std::optional<std::wstring> SettingsStore::Find(const std::wstring& application, const std::wstring& section,
                                                       const std::wstring& key) const {
    // The nameless default value of the section is no entry.
    if (key.empty()) return std::nullopt;
    RegKey sectionKey;
    if (OpenSection(application, section, KEY_QUERY_VALUE, sectionKey) != ERROR_SUCCESS) return std::nullopt;
    const std::optional<RegistryValue> value = sectionKey.Read(key);
    if (!value) return std::nullopt;
    return TextOf(value->data);
}

LSTATUS SettingsStore::CanChange(const std::wstring& application, const std::wstring& section) const {
    RegKey key;
    return OpenSection(application, section, KEY_SET_VALUE, key);
}

LSTATUS SettingsStore::Write(const std::wstring& application, const std::wstring& section,
                                   const std::wstring& key, const std::wstring& value) const {
    RegKey sectionKey;
    const LSTATUS status =
        sectionKey.Create(api_, HKEY_CURRENT_USER, SectionPath(application, section), KEY_SET_VALUE);
    return status != ERROR_SUCCESS ? status : sectionKey.Write(TextValue(key, value));
}

LSTATUS SettingsStore::Remove(const std::wstring& application, const std::wstring& section,
                                     const std::wstring& key) const {
    if (key.empty()) return ERROR_FILE_NOT_FOUND;  // never the section's default value
    RegKey sectionKey;
    const LSTATUS status = OpenSection(application, section, KEY_SET_VALUE, sectionKey);
    return status != ERROR_SUCCESS ? status : sectionKey.DeleteValue(key);
}

std::optional<SectionStamp> SettingsStore::Stamp(const std::wstring& application,
                                                 const std::wstring& section) const {
    RegKey key;
    SectionStamp stamp;
    if (OpenSection(application, section, KEY_QUERY_VALUE, key) != ERROR_SUCCESS ||
        key.Stamp(stamp.entries, stamp.written) != ERROR_SUCCESS)
        return std::nullopt;
    return stamp;
}

}  // namespace barsmith
