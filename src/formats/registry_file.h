#pragma once
// Registry files as the Registry Editor writes and `reg import` reads them:
// "Windows Registry Editor Version 5.00", UTF-16LE with a byte-order mark,
// CRLF line ends, one [key] section per key with a blank line after each.
#include <windows.h>

#include <string>
#include <vector>

#include "platform/registry_key.h"

namespace barsmith {

struct RegistryFileKey {
    std::wstring path;  // full, from "HKEY_..." on
    std::vector<RegistryValue> values;
};

// False for a key or value name that a registry file cannot hold: one with a
// line break (CR or LF) or a NUL character.
bool FitsRegistryFile(std::wstring_view name);
// `\` and `"` escaped for a quoted name or string.
std::wstring EscapeRegistryString(const std::wstring& text);
// `"Name"="Data"` for a string that a quoted text gives back byte for byte;
// else the data as hex bytes (`hex(1):` for a string holding CR, LF or NUL),
// wrapped with `\` before column 80 as the Registry Editor does.
std::wstring RegistryFileLine(const RegistryValue& value);
// "[path]", its value lines and the blank line that ends the section.
std::wstring RegistryFileSection(const RegistryFileKey& key);
// The whole file: byte-order mark, header and the sections, as UTF-16LE bytes.
std::string RegistryFileBytes(const std::vector<RegistryFileKey>& keys);

// Every value of the open key: those named in `firstNames` first, in that
// order, then the others in the order the registry enumerates them. The
// system's status of a failed read in `status`, with nothing returned.
std::vector<RegistryValue> ReadKeyValues(const RegKey& key, const std::vector<std::wstring>& firstNames,
                                         LSTATUS& status);

}  // namespace barsmith
