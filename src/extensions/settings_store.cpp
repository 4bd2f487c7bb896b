#include "extensions/settings_store.h"

#include "extensions/registry_access.h"

namespace barsmith {
std::wstring SectionPath(const std::wstring& application, const std::wstring& section) {
    return L"Software\\" + application + L"\\" + section;
}

RegKey SettingsStore::OpenSection(const std::wstring& application, const std::wstring& section, REGSAM access,
                                  LSTATUS* status) const {
    return OpenRegKey(api_, HKEY_CURRENT_USER, SectionPath(application, section), access, status);
}

std::vector<SettingsEntry> SettingsStore::GetAllSettings(const std::wstring& application,
                                                         const std::wstring& section) const {
    std::vector<SettingsEntry> entries;
    const RegKey key = OpenSection(application, section, KEY_QUERY_VALUE);
    if (!key) return entries;

    for (RegistryValue& value : EnumerateValues(api_, key.get())) {
        // The unnamed default value of the section key is not an entry.
        if (!value.name.empty())
            entries.push_back({std::move(value.name), TextOf(value.data)});
    }
    return entries;
}

std::wstring SettingsStore::GetSetting(const std::wstring& application, const std::wstring& section,
                                       const std::wstring& key) const {
    return FindSetting(application, section, key).value_or(std::wstring());
}

std::optional<std::wstring> SettingsStore::FindSetting(const std::wstring& application, const std::wstring& section,
                                                       const std::wstring& key) const {
    // The nameless default value of the section is no entry.
    if (key.empty()) return std::nullopt;
    const RegKey sectionKey = OpenSection(application, section, KEY_QUERY_VALUE);
    if (!sectionKey) return std::nullopt;
    const std::optional<RegistryValue> value = ReadRegistryValue(api_, sectionKey.get(), key);
    if (!value) return std::nullopt;
    return TextOf(value->data);
}

LSTATUS SettingsStore::CanChange(const std::wstring& application, const std::wstring& section) const {
    LSTATUS status = ERROR_SUCCESS;
    OpenSection(application, section, KEY_SET_VALUE, &status);
    return status;
}

LSTATUS SettingsStore::SaveSetting(const std::wstring& application, const std::wstring& section,
                                   const std::wstring& key, const std::wstring& value) const {
    LSTATUS status = ERROR_SUCCESS;
    const RegKey sectionKey =
        CreateRegKey(api_, HKEY_CURRENT_USER, SectionPath(application, section), KEY_SET_VALUE, &status);
    if (!sectionKey) return status;
    const RegistryValue setting = TextValue(key, value);
    return api_.SetValue(sectionKey.get(), key, REG_SZ, setting.data.data(), static_cast<DWORD>(setting.data.size()));
}

LSTATUS SettingsStore::DeleteSetting(const std::wstring& application, const std::wstring& section,
                                     const std::wstring& key) const {
    if (key.empty()) return ERROR_FILE_NOT_FOUND;  // never the section's default value
    LSTATUS status = ERROR_SUCCESS;
    const RegKey sectionKey = OpenSection(application, section, KEY_SET_VALUE, &status);
    if (!sectionKey) return status;
    return api_.DeleteValue(sectionKey.get(), key);
}

std::optional<SectionStamp> SettingsStore::Stamp(const std::wstring& application,
                                                 const std::wstring& section) const {
    const RegKey key = OpenSection(application, section, KEY_QUERY_VALUE);
    if (!key) return std::nullopt;
    SectionStamp stamp;
    if (api_.QueryInfoKey(key.get(), &stamp.entries, &stamp.written) != ERROR_SUCCESS) return std::nullopt;
    return stamp;
}

}  // namespace barsmith
