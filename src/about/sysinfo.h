#pragma once
// The System Information launcher of the About window, and the small reader of
// registry values it finds the tool with.
#include <windows.h>

#include <optional>
#include <stdexcept>
#include <string>

#include "platform/message_box.h"
#include "platform/registry_api.h"
#include "platform/shell.h"

namespace barsmith {

// Where the tool is registered under HKEY_LOCAL_MACHINE: its full path, or else
// the folder that holds it.
inline constexpr wchar_t kSysInfoPathKey[] = L"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
inline constexpr wchar_t kSysInfoPathValue[] = L"PATH";
inline constexpr wchar_t kSysInfoFolderKey[] = L"SOFTWARE\\Microsoft\\Shared Tools Location";
inline constexpr wchar_t kSysInfoFolderValue[] = L"MSINFO";
inline constexpr wchar_t kSysInfoFileName[] = L"\\MSINFO32.EXE";
inline constexpr wchar_t kSysInfoUnavailable[] = L"System Information Is Unavailable At This Time";

// GetKeyValue opens keys asking for query, set, create sub-key, enumerate,
// notify, create link and read control...
inline constexpr REGSAM kKeyValueAccess = KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_CREATE_SUB_KEY |
                                          KEY_ENUMERATE_SUB_KEYS | KEY_NOTIFY | KEY_CREATE_LINK | READ_CONTROL;
static_assert(kKeyValueAccess == 0x2003F);
// ...and reads at most this many bytes of a value.
inline constexpr DWORD kKeyValueBufferSize = 1024;

// A value that exists but holds no data at all has no text to read.
class EmptyValueError : public std::runtime_error {
public:
    EmptyValueError() : std::runtime_error("registry value without data") {}
};

// Reads the value `valueName` of the key `keyName` under `root` as the tool's
// registration has always been read, counting a text's length in characters
// of the system code page:
// - a final zero character (of a text) or byte (of other data) is dropped;
// - a string value (REG_SZ) sets `text` to its text;
// - a 32-bit number (REG_DWORD) sets `text` to "&h" followed by the remaining
//   bytes from the last to the first, two upper-case hex digits each
//   (0x00000105 gives "&h000105");
// - a value of any other type leaves `text` as it was.
// True when a value was read. False, with `text` emptied, when the key cannot
// be opened or the value cannot be read (missing, or larger than
// kKeyValueBufferSize). Throws EmptyValueError for a value of size 0. The key
// is closed in every case. A key that refuses kKeyValueAccess is opened for
// reading only.
bool GetKeyValue(RegistryApi& api, HKEY root, const std::wstring& keyName, const std::wstring& valueName,
                 std::wstring& text);

// The path of the System Information tool: the registered full path, or else
// "\MSINFO32.EXE" in the registered folder when that file exists. Nothing when
// neither is registered or the folder lacks the file. Throws as GetKeyValue does.
std::optional<std::wstring> SysInfoPath(RegistryApi& api);

// Starts the System Information tool in a normal window. When it is not
// registered, or cannot be read or started, shows "System Information Is
// Unavailable At This Time" owned by `owner` instead.
void StartSysInfo(HWND owner, ShellSeam& shell, MessageBoxSeam& messages);

}  // namespace barsmith
