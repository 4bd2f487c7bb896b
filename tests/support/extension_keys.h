#pragma once
// The toolbar button keys of the test prefix's registry: what they hold, and
// removal of every key a test may have made.
#include <windows.h>

#include <set>
#include <string>

#include "extensions/button_definition.h"

namespace barsmith::testing {

inline bool KeyIn(HKEY root, const std::wstring& guid) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, ExtensionKeyPath(guid).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

// The text value `name` of the button's key, or "<missing>".
inline std::wstring ValueIn(HKEY root, const std::wstring& guid, const wchar_t* name) {
    wchar_t data[512]{};
    DWORD size = sizeof data;
    if (RegGetValueW(root, ExtensionKeyPath(guid).c_str(), name, RRF_RT_REG_SZ, nullptr, data, &size))
        return L"<missing>";
    return data;
}

// Deletes the button's key from every hive and view it may be in.
inline void DeleteButtonKeys(const std::wstring& guid) {
    for (const KeyPlace place : AllPlaces()) RegDeleteKeyExW(place.root, ExtensionKeyPath(guid).c_str(), place.view, 0);
}

// GUIDs of buttons a test may make; their keys in either hive go with the object.
class MadeKeys {
public:
    MadeKeys() = default;
    MadeKeys(const MadeKeys&) = delete;
    MadeKeys& operator=(const MadeKeys&) = delete;
    ~MadeKeys() {
        for (const std::wstring& guid : guids_) DeleteButtonKeys(guid);
    }
    const std::wstring& Add(const std::wstring& guid) { return *guids_.insert(guid).first; }

private:
    std::set<std::wstring> guids_;
};

}  // namespace barsmith::testing
