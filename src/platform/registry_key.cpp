#include "platform/registry_key.h"

#include <cstring>
#include <utility>

namespace barsmith {
namespace {

// Registry value names are at most 16,383 characters long, key names 255;
// a name longer than that (some systems let it be made) is passed over.
constexpr DWORD kMaxValueName = 16384;
constexpr DWORD kMaxKeyName = 256;

}  // namespace

std::wstring RootKeyName(HKEY root) {
    const struct {
        HKEY key;
        const wchar_t* name;
    } roots[] = {
        {HKEY_CLASSES_ROOT, L"HKEY_CLASSES_ROOT"},   {HKEY_CURRENT_USER, L"HKEY_CURRENT_USER"},
        {HKEY_LOCAL_MACHINE, L"HKEY_LOCAL_MACHINE"}, {HKEY_USERS, L"HKEY_USERS"},
        {HKEY_PERFORMANCE_DATA, L"HKEY_PERFORMANCE_DATA"}, {HKEY_CURRENT_CONFIG, L"HKEY_CURRENT_CONFIG"},
        {HKEY_DYN_DATA, L"HKEY_DYN_DATA"},
    };
    for (const auto& known : roots) {
        if (root == known.key) return known.name;
    }
    return {};
}

RegistryValue TextValue(const std::wstring& name, const std::wstring& text) {
    const auto* bytes = reinterpret_cast<const BYTE*>(text.c_str());
    return {name, REG_SZ, std::vector<BYTE>(bytes, bytes + (text.size() + 1) * sizeof(wchar_t))};
}

std::wstring TextOf(const std::vector<BYTE>& data) {
    std::wstring text(data.size() / sizeof(wchar_t), L'\0');
    if (!text.empty()) memcpy(text.data(), data.data(), text.size() * sizeof(wchar_t));
    const size_t nul = text.find(L'\0');
    if (nul != std::wstring::npos) text.resize(nul);
    return text;
}

RegKey::RegKey(RegKey&& other) noexcept : api_(other.api_), key_(std::exchange(other.key_, nullptr)) {}

RegKey& RegKey::operator=(RegKey&& other) noexcept {
    if (this != &other) {
        Close();
        api_ = other.api_;
        key_ = std::exchange(other.key_, nullptr);
    }
    return *this;
}

LSTATUS RegKey::Open(RegistryApi& api, HKEY root, const std::wstring& subKey, REGSAM access) {
    Close();
    api_ = &api;  // before the call: whatever it leaves in `key_` is closed through it
    return Held(api.OpenKey(root, subKey, access, &key_));
}

LSTATUS RegKey::Create(RegistryApi& api, HKEY root, const std::wstring& subKey, REGSAM access) {
    Close();
    api_ = &api;
    return Held(api.CreateKey(root, subKey, access, &key_));
}

LSTATUS RegKey::Held(LSTATUS status) {
    // A failed call may still have written to the handle it was given.
    if (status != ERROR_SUCCESS) key_ = nullptr;
    return status;
}

void RegKey::Close() noexcept {
    if (key_) api_->CloseKey(std::exchange(key_, nullptr));
}

std::optional<RegistryValue> RegKey::Read(const std::wstring& name) const {
    if (!key_) return std::nullopt;
    // Room for the texts of a button at the first try: one call to the
    // registry, not one for the size and one for the data.
    RegistryValue value{name, REG_NONE, std::vector<BYTE>(512)};
    for (;;) {
        auto size = static_cast<DWORD>(value.data.size());
        const LSTATUS status = api_->QueryValue(key_, name, &value.type, value.data.data(), &size);
        if (status == ERROR_MORE_DATA && size > value.data.size()) {
            value.data.resize(size);
            continue;
        }
        if (status != ERROR_SUCCESS) return std::nullopt;
        value.data.resize(size);
        return value;
    }
}

std::wstring RegKey::Text(const std::wstring& name) const {
    const std::optional<RegistryValue> value = Read(name);
    return value ? TextOf(value->data) : std::wstring();
}

LSTATUS RegKey::Write(const RegistryValue& value) const {
    if (!key_) return ERROR_INVALID_HANDLE;
    return api_->SetValue(key_, value.name, value.type, value.data.data(), static_cast<DWORD>(value.data.size()));
}

LSTATUS RegKey::DeleteValue(const std::wstring& name) const {
    return key_ ? api_->DeleteValue(key_, name) : ERROR_INVALID_HANDLE;
}

LSTATUS RegKey::Values(std::vector<RegistryValue>& values) const {
    values.clear();
    if (!key_) return ERROR_INVALID_HANDLE;
    std::wstring name(kMaxValueName, L'\0');
    std::vector<BYTE> data(256);
    for (DWORD index = 0;;) {
        DWORD nameLength = kMaxValueName;
        DWORD size = static_cast<DWORD>(data.size());
        DWORD type = 0;
        const LSTATUS status = api_->EnumValue(key_, index, name.data(), &nameLength, &type, data.data(), &size);
        if (status == ERROR_MORE_DATA && size > data.size()) {
            data.resize(size);  // the same index again, with room for its data
            continue;
        }
        if (status == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
        if (status != ERROR_SUCCESS) return status;
        values.push_back({name.substr(0, nameLength), type, {data.begin(), data.begin() + size}});
        ++index;
    }
}

LSTATUS RegKey::SubKeyNames(std::vector<std::wstring>& names) const {
    std::vector<SubKey> subKeys;
    const LSTATUS status = SubKeys(subKeys);
    names.clear();
    for (SubKey& subKey : subKeys) names.push_back(std::move(subKey.name));
    return status;
}

LSTATUS RegKey::SubKeys(std::vector<SubKey>& subKeys, size_t* passedOver) const {
    subKeys.clear();
    if (passedOver) *passedOver = 0;
    if (!key_) return ERROR_INVALID_HANDLE;
    wchar_t name[kMaxKeyName];
    for (DWORD index = 0;; ++index) {
        DWORD length = kMaxKeyName;
        FILETIME written{};
        const LSTATUS status = api_->EnumKey(key_, index, name, &length, &written);
        if (status == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
        // One name that cannot be read costs that sub-key, not those after it.
        if (status == ERROR_MORE_DATA) {
            if (passedOver) ++*passedOver;
            continue;
        }
        if (status != ERROR_SUCCESS) return status;
        subKeys.push_back({std::wstring(name, length), written});
    }
}

LSTATUS RegKey::Stamp(DWORD& values, FILETIME& written) const {
    return key_ ? api_->QueryInfoKey(key_, nullptr, &values, &written) : ERROR_INVALID_HANDLE;
}

bool RegKey::HasSubKeys() const {
    DWORD subKeys = 0;
    return key_ && api_->QueryInfoKey(key_, &subKeys, nullptr, nullptr) == ERROR_SUCCESS && subKeys > 0;
}

}  // namespace barsmith
