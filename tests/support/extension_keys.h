#pragma once
// The toolbar button keys of the test prefix's registry: what they hold, and
// removal of every key a test may have made.
#include <windows.h>

#include <set>
#include <string>

#include "model/button_definition.h"

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

// Sets a text value of a machine-wide button's key in both registry views, as another program may.
inline void SetInBothViews(const std::wstring& guid, const wchar_t* name, const std::wstring& text) {
    for (const wchar_t* view : {L"", L"Wow6432Node\\"}) {
        const std::wstring path = ExtensionKeyPath(guid).insert(wcslen(L"Software\\"), view);
        RegSetKeyValueW(HKEY_LOCAL_MACHINE, path.c_str(), name, REG_SZ, text.c_str(),
                        static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }
}

// Deletes the button's key from every hive and view it may be in.
inline void DeleteButtonKeys(const std::wstring& guid) {
    for (const KeyPlace place : AllPlaces()) RegDeleteKeyExW(place.root, ExtensionKeyPath(guid).c_str(), place.view, 0);
}

// Writes a REG_SZ value whose name holds a NUL character, as only the native
// call can (and as other tools may have done).
inline LSTATUS SetCountedValue(HKEY root, const std::wstring& keyPath, const std::wstring& name,
                               const std::wstring& text) {
    struct CountedName {
        USHORT length, maximumLength;
        const wchar_t* buffer;
    };
    using SetFn = LONG(NTAPI*)(HANDLE, const CountedName*, ULONG, ULONG, const void*, ULONG);
    const auto set = reinterpret_cast<SetFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtSetValueKey")));
    HKEY key = nullptr;
    if (LSTATUS s = RegCreateKeyExW(root, keyPath.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr))
        return s;
    const auto bytes = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    const CountedName counted{bytes, bytes, name.data()};
    const LONG status = set(key, &counted, 0, REG_SZ, text.c_str(), static_cast<ULONG>((text.size() + 1) * 2));
    RegCloseKey(key);
    return status < 0 ? ERROR_GEN_FAILURE : ERROR_SUCCESS;
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
    const std::set<std::wstring>& Guids() const { return guids_; }

private:
    std::set<std::wstring> guids_;
};

}  // namespace barsmith::testing
