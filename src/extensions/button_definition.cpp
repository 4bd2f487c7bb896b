#include "extensions/button_definition.h"

#include "extensions/registry_access.h"

namespace barsmith {
namespace {

bool IsHexDigit(wchar_t c) { return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F'); }

}  // namespace

HKEY RootKeyFor(bool currentUserOnly) { return currentUserOnly ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }

std::vector<ExtensionValue> ExtensionValues(const ButtonDefinition& button) {
    std::vector<ExtensionValue> values;
    values.push_back({L"Exec", button.Exec});
    values.push_back({L"Icon", button.Icon});
    if (!button.HotIcon.empty()) values.push_back({L"HotIcon", button.HotIcon});
    values.push_back({L"ButtonText", button.ButtonText});
    values.push_back({L"CLSID", kRunProgramButtonClsid});
    values.push_back({L"Default Visible", button.DefaultVisible ? L"Yes" : L"No"});
    values.push_back({L"MenuText", button.MenuText});
    values.push_back({L"MenuStatusBar", button.MenuStatusBar});
    values.push_back({L"ToolTip", button.ToolTip});
    return values;
}

std::wstring ExtensionKeyPath(const std::wstring& guid) { return std::wstring(kExtensionsPath) + L"\\" + guid; }

std::wstring FullExtensionKeyPath(HKEY root, const std::wstring& guid) {
    return RootKeyName(root) + L"\\" + ExtensionKeyPath(guid);
}

bool IsGuidString(const std::wstring& text) {
    if (text.size() != 38 || text.front() != L'{' || text.back() != L'}') return false;
    for (size_t i = 1; i < 37; ++i) {
        const bool dash = i == 9 || i == 14 || i == 19 || i == 24;
        if (dash ? text[i] != L'-' : !IsHexDigit(text[i])) return false;
    }
    return true;
}

ButtonKeyLocation FindButtonKey(RegistryApi& api, const std::wstring& guid) {
    ButtonKeyLocation location;
    if (!IsGuidString(guid)) return location;
    for (const HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        HKEY key = nullptr;
        // Read access only: a user without administrator rights can still read
        // the machine-wide hive, and must find the buttons there.
        location.status = api.OpenKey(root, ExtensionKeyPath(guid), KEY_QUERY_VALUE, &key);
        if (location.status == ERROR_FILE_NOT_FOUND) continue;
        location.root = root;
        if (location.status == ERROR_SUCCESS) location.key = RegKey(api, key);
        return location;
    }
    return location;
}

}  // namespace barsmith
