#pragma once
// The advapi32 registry calls that the program makes, behind an interface so that
// tests can make a single call fail as the system would (access refused, say).
// SystemRegistry passes every call straight to the wide Win32 function.
#include <windows.h>

#include <string>

namespace barsmith {

class RegistryApi {
public:
    virtual ~RegistryApi() = default;
    virtual LSTATUS CreateKey(HKEY root, const std::wstring& subKey, REGSAM access, HKEY* key) = 0;
    virtual LSTATUS OpenKey(HKEY root, const std::wstring& subKey, REGSAM access, HKEY* key) = 0;
    virtual LSTATUS SetValue(HKEY key, const std::wstring& name, DWORD type, const BYTE* data, DWORD size) = 0;
    // As RegQueryValueExW: `data` may be null to ask for the size only.
    virtual LSTATUS QueryValue(HKEY key, const std::wstring& name, DWORD* type, BYTE* data, DWORD* size) = 0;
    // As RegEnumValueW; `nameLength` in characters, in and out.
    virtual LSTATUS EnumValue(HKEY key, DWORD index, wchar_t* name, DWORD* nameLength, DWORD* type, BYTE* data,
                              DWORD* size) = 0;
    virtual LSTATUS DeleteValue(HKEY key, const std::wstring& name) = 0;
    // As RegEnumKeyExW, for the names of the sub-keys and the times of their
    // last change; `nameLength` in characters, in and out. Not pure, as QueryInfoKey.
    virtual LSTATUS EnumKey(HKEY key, DWORD index, wchar_t* name, DWORD* nameLength, FILETIME* lastWrite) {
        return RegEnumKeyExW(key, index, name, nameLength, nullptr, nullptr, nullptr, lastWrite);
    }
    // As RegDeleteKeyExW: `view` is 0, KEY_WOW64_64KEY or KEY_WOW64_32KEY.
    virtual LSTATUS DeleteKey(HKEY key, const std::wstring& subKey, REGSAM view) = 0;
    virtual LSTATUS CloseKey(HKEY key) = 0;
    // As RegQueryInfoKeyW, for the number of sub-keys and values and the time
    // of the key's last change. Not pure, so that every registry that passes
    // calls to the system answers it without more ado.
    virtual LSTATUS QueryInfoKey(HKEY key, DWORD* subKeys, DWORD* values, FILETIME* lastWrite) {
        return RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, subKeys, nullptr, nullptr, values, nullptr, nullptr,
                                nullptr, lastWrite);
    }
};

class SystemRegistry final : public RegistryApi {
public:
    LSTATUS CreateKey(HKEY root, const std::wstring& subKey, REGSAM access, HKEY* key) override {
        DWORD disposition = 0;
        return RegCreateKeyExW(root, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, key,
                               &disposition);
    }
    LSTATUS OpenKey(HKEY root, const std::wstring& subKey, REGSAM access, HKEY* key) override {
        return RegOpenKeyExW(root, subKey.c_str(), 0, access, key);
    }
    LSTATUS SetValue(HKEY key, const std::wstring& name, DWORD type, const BYTE* data, DWORD size) override {
        return RegSetValueExW(key, name.c_str(), 0, type, data, size);
    }
    // A value name may hold a NUL character (written by another tool): the
    // Win32 calls would take its prefix and so reach another value. Such a
    // name is passed whole, counted, to the native calls instead.
    LSTATUS QueryValue(HKEY key, const std::wstring& name, DWORD* type, BYTE* data, DWORD* size) override;
    LSTATUS EnumValue(HKEY key, DWORD index, wchar_t* name, DWORD* nameLength, DWORD* type, BYTE* data,
                      DWORD* size) override {
        return RegEnumValueW(key, index, name, nameLength, nullptr, type, data, size);
    }
    LSTATUS DeleteValue(HKEY key, const std::wstring& name) override;
    LSTATUS DeleteKey(HKEY key, const std::wstring& subKey, REGSAM view) override {
        return RegDeleteKeyExW(key, subKey.c_str(), view, 0);
    }
    LSTATUS CloseKey(HKEY key) override { return RegCloseKey(key); }
};

}  // namespace barsmith
