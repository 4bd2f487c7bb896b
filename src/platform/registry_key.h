#pragma once
// An open registry key and the values it holds. Every call goes through a
// RegistryApi, so that tests can make one of them fail as the system would.
// Failures come back as the system's status codes (or an empty result where
// the header says so); nothing here tells the user anything.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/registry_api.h"

namespace barsmith {

// One value as the registry holds it.
struct RegistryValue {
    std::wstring name;
    DWORD type = REG_SZ;
    std::vector<BYTE> data;  // with the terminating NUL of a string, as it was written
    bool operator==(const RegistryValue&) const = default;
};
// The REG_SZ value `name` holding `text` with its terminating NUL.
RegistryValue TextValue(const std::wstring& name, const std::wstring& text);
// A value's data as text: up to its first NUL, an odd last byte being no
// character. The value's type plays no part.
std::wstring TextOf(const std::vector<BYTE>& data);

// The name of a predefined root ("HKEY_LOCAL_MACHINE"), as registry files and
// the user see it; empty for any other key.
std::wstring RootKeyName(HKEY root);

// Owns an open key and closes it through the API that opened it. Empty
// (false) when no key is open: after a failed Open or Create, or a Close.
class RegKey {
public:
    RegKey() noexcept = default;
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    RegKey(RegKey&& other) noexcept;
    RegKey& operator=(RegKey&& other) noexcept;
    ~RegKey() { Close(); }

    // Opens an existing key. On failure the object is left empty.
    LSTATUS Open(RegistryApi& api, HKEY root, const std::wstring& subKey, REGSAM access);
    // Creates the key and every missing parent, or opens it when it exists.
    LSTATUS Create(RegistryApi& api, HKEY root, const std::wstring& subKey, REGSAM access);
    void Close() noexcept;

    HKEY get() const noexcept { return key_; }
    explicit operator bool() const noexcept { return key_ != nullptr; }

    // The value as it is; nothing when there is no such value, it cannot be
    // read, or no key is open (then without a call).
    std::optional<RegistryValue> Read(const std::wstring& name) const;
    // The value's data as TextOf reads it; empty whenever Read gives nothing.
    std::wstring Text(const std::wstring& name) const;
    // Unchanged on failure.
    LSTATUS Write(const RegistryValue& value) const;
    // ERROR_FILE_NOT_FOUND when there was no such value.
    LSTATUS DeleteValue(const std::wstring& name) const;
    // Every value, in the order the registry enumerates them; a read that
    // fails ends the list with its status.
    LSTATUS Values(std::vector<RegistryValue>& values) const;
    // The names of the sub-keys, in the order the registry enumerates them.
    LSTATUS SubKeyNames(std::vector<std::wstring>& names) const;
    // The same with the time of each one's last change. A sub-key whose name
    // is too long to be read is passed over and counted in `passedOver`.
    struct SubKey {
        std::wstring name;
        FILETIME written;
    };
    LSTATUS SubKeys(std::vector<SubKey>& subKeys, size_t* passedOver = nullptr) const;
    // The number of values and the time of the key's last change.
    LSTATUS Stamp(DWORD& values, FILETIME& written) const;
    // True when the key is known to hold sub-keys.
    bool HasSubKeys() const;

private:
    // Keeps `key_`, just set by a call that gave `status`, when it succeeded.
    LSTATUS Held(LSTATUS status);

    RegistryApi* api_ = nullptr;
    HKEY key_ = nullptr;
};

}  // namespace barsmith
