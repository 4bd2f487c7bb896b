#pragma once
// The advapi32 registry calls that the program makes, behind an interface so that
// tests can make a single call fail as the system would (access refused, say).
// SystemRegistry passes every call to the wide Win32 function, with two
// rules of its own: a registry link is never followed, and a name holding a
// NUL character never reaches a call that would cut it short.
#include <windows.h>

#include <string>

namespace barsmith {

// The status of a key refused because it, or a key on its path, is a
// registry link (another program could point it anywhere in the registry).
inline constexpr LSTATUS kKeyIsLink = ERROR_CANT_RESOLVE_FILENAME;

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

// Opens and creates keys one part of their path at a time, each as the key
// itself rather than what it may link to, and refuses a link (kKeyIsLink);
// deletes a key by a handle to the key itself. Names and paths holding a
// NUL character are refused (ERROR_INVALID_NAME) where the Win32 call would
// take only their prefix, and passed counted to the native calls elsewhere.
class SystemRegistry final : public RegistryApi {
public:
    LSTATUS CreateKey(HKEY root, const std::wstring& subKey, REGSAM access, HKEY* key) override;
    LSTATUS OpenKey(HKEY root, const std::wstring& subKey, REGSAM access, HKEY* key) override;
    LSTATUS SetValue(HKEY key, const std::wstring& name, DWORD type, const BYTE* data, DWORD size) override;
    LSTATUS QueryValue(HKEY key, const std::wstring& name, DWORD* type, BYTE* data, DWORD* size) override;
    LSTATUS EnumValue(HKEY key, DWORD index, wchar_t* name, DWORD* nameLength, DWORD* type, BYTE* data,
                      DWORD* size) override {
        return RegEnumValueW(key, index, name, nameLength, nullptr, type, data, size);
    }
    LSTATUS DeleteValue(HKEY key, const std::wstring& name) override;
    LSTATUS DeleteKey(HKEY key, const std::wstring& subKey, REGSAM view) override;
    LSTATUS CloseKey(HKEY key) override { return RegCloseKey(key); }
};

}  // namespace barsmith
