#include "extensions/registry_access.h"

#include <array>
#include <cstring>
#include <utility>

namespace barsmith {
namespace {

struct RootName {
    const wchar_t* name;
    HKEY key;
};

// Registry value names are at most 16,383 characters long.
constexpr DWORD kMaxValueName = 16384;

const std::array<RootName, 7> kRoots{{
    {L"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
    {L"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
    {L"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
    {L"HKEY_USERS", HKEY_USERS},
    {L"HKEY_PERFORMANCE_DATA", HKEY_PERFORMANCE_DATA},
    {L"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG},
    {L"HKEY_DYN_DATA", HKEY_DYN_DATA},
}};

}  // namespace

RegKey RegistryAccess::CreateNewKey(HKEY root, const std::wstring& subKey, LSTATUS* status, REGSAM view) const {
    return CreateRegKey(api_, root, subKey, kKeyAccess | view, status);
}

bool RegistryAccess::KeyExists(HKEY root, const std::wstring& subKey) const {
    return static_cast<bool>(OpenKey(root, subKey));
}

RegKey RegistryAccess::OpenKey(HKEY root, const std::wstring& subKey, LSTATUS* status, REGSAM view) const {
    return OpenRegKey(api_, root, subKey, kKeyAccess | view, status);
}

LSTATUS RegistryAccess::SetKeyValue(HKEY key, const std::wstring& name, DWORD type, const std::wstring& text) const {
    if (text.empty()) return ERROR_SUCCESS;
    const auto bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
    return api_.SetValue(key, name, type, reinterpret_cast<const BYTE*>(text.c_str()), bytes);
}

RegistryValue TextValue(const std::wstring& name, const std::wstring& text) {
    const auto* bytes = reinterpret_cast<const BYTE*>(text.c_str());
    return {name, REG_SZ, std::vector<BYTE>(bytes, bytes + (text.size() + 1) * sizeof(wchar_t))};
}

std::wstring TextOf(const std::vector<BYTE>& data) {
    std::wstring text(data.size() / sizeof(wchar_t), L'\0');
    if (!text.empty()) memcpy(text.data(), data.data(), text.size() * sizeof(wchar_t));
    return TrimNull(text);
}

std::optional<RegistryValue> RegistryAccess::ReadValue(HKEY key, const std::wstring& name) const {
    return ReadRegistryValue(api_, key, name);
}

LSTATUS RegistryAccess::WriteValue(HKEY key, const RegistryValue& value) const {
    return api_.SetValue(key, value.name, value.type, value.data.data(), static_cast<DWORD>(value.data.size()));
}

std::wstring RegistryAccess::QueryValue(HKEY key, const std::wstring& name) const {
    if (!key) return {};
    const std::optional<RegistryValue> value = ReadValue(key, name);
    return value ? TextOf(value->data) : std::wstring();
}

LSTATUS RegistryAccess::DeleteKey(std::wstring fullPath) const {
    const HKEY root = ParseKey(fullPath);
    if (!root) return ERROR_BAD_PATHNAME;
    LSTATUS status = ERROR_SUCCESS;
    const RegKey rootKey = OpenRegKey(api_, root, L"", kDeleteAccess, &status);
    if (!rootKey) return status;
    return api_.DeleteKey(rootKey.get(), fullPath, 0);
}

LSTATUS RegistryAccess::DeleteKey(HKEY root, const std::wstring& subKey, REGSAM view) const {
    return api_.DeleteKey(root, subKey, view);
}

HKEY RegistryAccess::ParseKey(std::wstring& path) const {
    if (path.compare(0, 5, L"HKEY_") != 0 || path.back() == L'\\') {
        messages_.Show(nullptr, L"Incorrect Format:\n\n" + path, kAppTitle, MB_OK);
        return nullptr;
    }
    const size_t slash = path.find(L'\\');
    if (slash == std::wstring::npos) {
        const HKEY root = GetRootKey(path);
        path.clear();
        return root;
    }
    const HKEY root = GetRootKey(path.substr(0, slash));
    path.erase(0, slash + 1);
    return root;
}

std::optional<RegistryValue> ReadRegistryValue(RegistryApi& api, HKEY key, const std::wstring& name) {
    RegistryValue value{name, REG_NONE, {}};
    DWORD size = 0;
    if (api.QueryValue(key, name, &value.type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
    value.data.resize(size);
    if (api.QueryValue(key, name, &value.type, value.data.data(), &size) != ERROR_SUCCESS) return std::nullopt;
    value.data.resize(size);
    return value;
}

std::vector<RegistryValue> EnumerateValues(RegistryApi& api, HKEY key, LSTATUS* status) {
    std::vector<RegistryValue> values;
    std::wstring name(kMaxValueName, L'\0');
    std::vector<BYTE> data(256);
    for (DWORD index = 0;;) {
        DWORD nameLength = kMaxValueName;
        DWORD size = static_cast<DWORD>(data.size());
        DWORD type = 0;
        const LSTATUS result = api.EnumValue(key, index, name.data(), &nameLength, &type, data.data(), &size);
        if (result == ERROR_MORE_DATA && size > data.size()) {
            data.resize(size);  // the same index again, with room for its data
            continue;
        }
        if (result != ERROR_SUCCESS) {
            if (status) *status = result == ERROR_NO_MORE_ITEMS ? ERROR_SUCCESS : result;
            return values;
        }
        values.push_back({name.substr(0, nameLength), type, {data.begin(), data.begin() + size}});
        ++index;
    }
}

std::wstring TrimNull(const std::wstring& text) {
    const size_t nul = text.find(L'\0');
    return nul == std::wstring::npos ? text : text.substr(0, nul);
}

HKEY GetRootKey(const std::wstring& name) {
    for (const RootName& root : kRoots) {
        if (name == root.name) return root.key;
    }
    return nullptr;
}

std::wstring RootKeyName(HKEY root) {
    for (const RootName& known : kRoots) {
        if (root == known.key) return known.name;
    }
    return {};
}

}  // namespace barsmith
