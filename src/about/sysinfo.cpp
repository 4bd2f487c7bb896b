#include "about/sysinfo.h"

#include <cstring>
#include <string>
#include <vector>

#include "platform/registry_key.h"

namespace barsmith {
namespace {

LSTATUS OpenKey(RegistryApi& api, HKEY root, const std::wstring& name, RegKey& key) {
    const LSTATUS status = key.Open(api, root, name, kKeyValueAccess);
    // A process that is not elevated may not write under HKEY_LOCAL_MACHINE, so
    // the write rights are refused there; reading a value needs none of them.
    return status == ERROR_ACCESS_DENIED ? key.Open(api, root, name, KEY_READ) : status;
}

bool IsText(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

// The value's size as the system code page counts it: a text's characters
// in that code page, or the bytes of other data.
size_t CodePageSize(const RegistryValue& value) {
    if (!IsText(value.type)) return value.data.size();
    const int characters = static_cast<int>(value.data.size() / sizeof(wchar_t));
    return characters == 0 ? 0
                           : static_cast<size_t>(WideCharToMultiByte(
                                 CP_ACP, 0, reinterpret_cast<const wchar_t*>(value.data.data()), characters, nullptr,
                                 0, nullptr, nullptr));
}

// The bytes from the last to the first, two upper-case hex digits each.
std::wstring HexBytesReversed(const std::vector<BYTE>& bytes) {
    static constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
    std::wstring hex;
    for (auto it = bytes.rbegin(); it != bytes.rend(); ++it) {
        const BYTE byte = *it;
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 0x0F];
    }
    return hex;
}

bool IsFile(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

bool GetKeyValue(RegistryApi& api, HKEY root, const std::wstring& keyName, const std::wstring& valueName,
                 std::wstring& text) {
    RegKey key;
    std::optional<RegistryValue> value;
    if (OpenKey(api, root, keyName, key) == ERROR_SUCCESS) value = key.Read(valueName);
    if (!value || CodePageSize(*value) > kKeyValueBufferSize) {
        text.clear();
        return false;
    }
    if (value->data.empty()) throw EmptyValueError();

    std::vector<BYTE>& data = value->data;
    if (IsText(value->type)) {
        std::wstring read(data.size() / sizeof(wchar_t), L'\0');
        memcpy(read.data(), data.data(), read.size() * sizeof(wchar_t));
        if (!read.empty() && read.back() == L'\0') read.pop_back();
        if (value->type == REG_SZ) text = read;
        return true;
    }
    if (data.back() == 0) data.pop_back();
    if (value->type == REG_DWORD) text = L"&h" + HexBytesReversed(data);
    return true;
}

std::optional<std::wstring> SysInfoPath(RegistryApi& api) {
    std::wstring text;
    if (GetKeyValue(api, HKEY_LOCAL_MACHINE, kSysInfoPathKey, kSysInfoPathValue, text)) return text;
    if (!GetKeyValue(api, HKEY_LOCAL_MACHINE, kSysInfoFolderKey, kSysInfoFolderValue, text)) return std::nullopt;
    std::wstring path = text + kSysInfoFileName;
    if (!IsFile(path)) return std::nullopt;
    return path;
}

void StartSysInfo(HWND owner, ShellSeam& shell, MessageBoxSeam& messages) {
    bool started = false;
    try {
        SystemRegistry registry;
        if (const std::optional<std::wstring> path = SysInfoPath(registry))
            started = shell.StartProgram(*path, SW_SHOWNORMAL);
    } catch (...) {
        // Whatever went wrong, the user hears only that the tool is unavailable.
    }
    if (!started) messages.Show(owner, kSysInfoUnavailable, kAppTitle, MB_OK);
}

}  // namespace barsmith
