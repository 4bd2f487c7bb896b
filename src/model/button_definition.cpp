#include "model/button_definition.h"

#include <algorithm>

#include "platform/names.h"

namespace barsmith {
namespace {

bool Missing(LSTATUS status) { return status == ERROR_FILE_NOT_FOUND || status == ERROR_PATH_NOT_FOUND; }

bool IsHexDigit(wchar_t c) { return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F'); }

}  // namespace

HKEY RootKeyFor(bool currentUserOnly) { return currentUserOnly ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }

std::wstring ExtensionKeyPath(const std::wstring& guid) { return std::wstring(kExtensionsPath) + L"\\" + guid; }

std::vector<KeyPlace> PlacesFor(HKEY root) {
    if (root == HKEY_LOCAL_MACHINE) return {{root, KEY_WOW64_64KEY}, {root, KEY_WOW64_32KEY}};
    return {{root, 0}};
}

std::vector<KeyPlace> AllPlaces() {
    std::vector<KeyPlace> places = PlacesFor(HKEY_LOCAL_MACHINE);
    places.push_back({HKEY_CURRENT_USER, 0});
    return places;
}

std::wstring FullExtensionKeyPath(KeyPlace place, const std::wstring& guid) {
    std::wstring path = ExtensionKeyPath(guid);
    if (place.view == KEY_WOW64_32KEY) path.insert(wcslen(L"Software\\"), L"Wow6432Node\\");
    return RootKeyName(place.root) + L"\\" + path;
}

std::wstring FullExtensionKeyPath(HKEY root, const std::wstring& guid) {
    return FullExtensionKeyPath(KeyPlace{root, 0}, guid);
}

bool IsGuidString(const std::wstring& text) {
    if (text.size() != 38 || text.front() != L'{' || text.back() != L'}') return false;
    for (size_t i = 1; i < 37; ++i) {
        const bool dash = i == 9 || i == 14 || i == 19 || i == 24;
        if (dash ? text[i] != L'-' : !IsHexDigit(text[i])) return false;
    }
    return true;
}

bool SameGuid(const std::wstring& a, const std::wstring& b) {
    return SameName(a, b);
}

std::vector<FoundKey> FindButtonKeys(RegistryApi& api, const std::wstring& guid) {
    return ButtonKeyFinder(api).Find(guid);
}

ButtonKeyFinder::ButtonKeyFinder(RegistryApi& api) : api_(api) {
    for (const KeyPlace place : AllPlaces()) {
        // Read access only: a user without administrator rights can still read
        // the machine-wide hive, and must find the buttons there.
        RegKey key;
        const LSTATUS status = key.Open(api, place.root, kExtensionsPath, KEY_QUERY_VALUE | place.view);
        if (!Missing(status)) extensions_.push_back({place, std::move(key), status});
    }
}

std::vector<FoundKey> ButtonKeyFinder::Find(const std::wstring& guid) const {
    std::vector<FoundKey> found;
    if (!IsGuidString(guid)) return found;
    for (const Extensions& extensions : extensions_) {
        RegKey key;
        const REGSAM access = KEY_QUERY_VALUE | extensions.place.view;
        const LSTATUS status = extensions.status != ERROR_SUCCESS ? extensions.status
                                                                  : key.Open(api_, extensions.key.get(), guid, access);
        if (!Missing(status)) found.push_back({extensions.place, std::move(key), status});
    }
    return found;
}

bool IsRunProgramButton(const RegKey& key) { return key && IsButtonClass(key.Text(L"CLSID")); }

bool IsRunProgramButton(const std::vector<RegistryValue>& values) {
    const auto clsid = std::find_if(values.begin(), values.end(),
                                    [](const RegistryValue& value) { return SameName(value.name, L"CLSID"); });
    return clsid != values.end() && IsButtonClass(TextOf(clsid->data));
}

bool IsButtonClass(const std::wstring& clsid) { return SameGuid(clsid, kRunProgramButtonClsid); }

}  // namespace barsmith
