#include "extensions/settings_store.h"

#include <cstring>

#include "extensions/registry_access.h"

namespace barsmith {
namespace {

std::wstring TextOfData(const std::vector<BYTE>& data, DWORD size) {
    std::wstring text(size / sizeof(wchar_t), L'\0');
    if (!text.empty()) memcpy(text.data(), data.data(), text.size() * sizeof(wchar_t));
    return TrimNull(text);
}

}  // namespace

std::wstring SectionPath(const std::wstring& application, const std::wstring& section) {
    return L"Software\\" + application + L"\\" + section;
}

RegKey SettingsStore::OpenSection(const std::wstring& application, const std::wstring& section, REGSAM access,
                                  LSTATUS* status) const {
    HKEY key = nullptr;
    const LSTATUS result = api_.OpenKey(HKEY_CURRENT_USER, SectionPath(application, section), access, &key);
    if (status) *status = result;
    if (result != ERROR_SUCCESS) return {};
    return RegKey(api_, key);
}

std::vector<SettingsEntry> SettingsStore::GetAllSettings(const std::wstring& application,
                                                         const std::wstring& section) const {
    std::vector<SettingsEntry> entries;
    const RegKey key = OpenSection(application, section, KEY_QUERY_VALUE);
    if (!key) return entries;

    for (RegistryValue& value : EnumerateValues(api_, key.get())) {
        // The unnamed default value of the section key is not an entry.
        if (!value.name.empty())
            entries.push_back({std::move(value.name), TextOfData(value.data, static_cast<DWORD>(value.data.size()))});
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
    DWORD size = 0;
    if (api_.QueryValue(sectionKey.get(), key, nullptr, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
    std::vector<BYTE> data(size);
    if (api_.QueryValue(sectionKey.get(), key, nullptr, data.data(), &size) != ERROR_SUCCESS) return std::nullopt;
    return TextOfData(data, size);
}

LSTATUS SettingsStore::CanChange(const std::wstring& application, const std::wstring& section) const {
    LSTATUS status = ERROR_SUCCESS;
    OpenSection(application, section, KEY_SET_VALUE, &status);
    return status;
}

LSTATUS SettingsStore::SaveSetting(const std::wstring& application, const std::wstring& section,
                                   const std::wstring& key, const std::wstring& value) const {
    HKEY created = nullptr;
    const LSTATUS status = api_.CreateKey(HKEY_CURRENT_USER, SectionPath(application, section),
                                          KEY_SET_VALUE, &created);
    if (status != ERROR_SUCCESS) return status;
    const RegKey sectionKey(api_, created);
    const auto bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    return api_.SetValue(sectionKey.get(), key, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), bytes);
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
