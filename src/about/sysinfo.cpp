#include "about/sysinfo.h"

#include <algorithm>
#include <string>

#include "platform/handles.h"

namespace barsmith {
namespace {

// A key opened with the narrow calls, closed with it.
using NarrowKey = UniqueHandle<NullHandleTraits<HKEY, RegCloseKey>>;

std::string ToAnsi(const std::wstring& text) {
    if (text.empty()) return {};
    const int length =
        WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string ansi(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), ansi.data(), length, nullptr, nullptr);
    return ansi;
}

std::wstring FromAnsi(const std::string& text) {
    if (text.empty()) return {};
    const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

NarrowKey OpenKey(NarrowKeyOpener open, HKEY root, const std::string& name) {
    HKEY key = nullptr;
    LSTATUS status = open(root, name.c_str(), 0, kKeyValueAccess, &key);
    // A process that is not elevated may not write under HKEY_LOCAL_MACHINE, so
    // the write rights are refused there; reading a value needs none of them.
    if (status == ERROR_ACCESS_DENIED) status = open(root, name.c_str(), 0, KEY_READ, &key);
    return status == ERROR_SUCCESS ? NarrowKey(key) : NarrowKey();
}

// The bytes from the last to the first, two upper-case hex digits each.
std::wstring HexBytesReversed(const std::string& bytes) {
    static constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
    std::wstring hex;
    for (auto it = bytes.rbegin(); it != bytes.rend(); ++it) {
        const auto byte = static_cast<unsigned char>(*it);
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

bool GetKeyValue(HKEY KeyRoot, const std::wstring& Keyname, const std::wstring& SubKeyRef, std::wstring& KeyVal,
                 NarrowKeyOpener open) {
    const NarrowKey key = OpenKey(open, KeyRoot, ToAnsi(Keyname));
    if (!key) {
        KeyVal.clear();
        return false;
    }
    std::string data(kKeyValueBufferSize, '\0');
    DWORD type = 0;
    DWORD size = kKeyValueBufferSize;
    if (RegQueryValueExA(key.get(), ToAnsi(SubKeyRef).c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                         &size) != ERROR_SUCCESS) {
        KeyVal.clear();
        return false;
    }
    if (size == 0) throw EmptyValueError();
    data.resize(std::min(size, kKeyValueBufferSize));
    if (data.back() == '\0') data.pop_back();

    switch (type) {
    case REG_SZ:
        KeyVal = FromAnsi(data);
        break;
    case REG_DWORD:
        KeyVal = L"&h" + HexBytesReversed(data);
        break;
    default:
        break;
    }
    return true;
}

std::optional<std::wstring> SysInfoPath() {
    std::wstring text;
    if (GetKeyValue(HKEY_LOCAL_MACHINE, kSysInfoPathKey, kSysInfoPathValue, text)) return text;
    if (!GetKeyValue(HKEY_LOCAL_MACHINE, kSysInfoFolderKey, kSysInfoFolderValue, text)) return std::nullopt;
    std::wstring path = text + kSysInfoFileName;
    if (!IsFile(path)) return std::nullopt;
    return path;
}

void StartSysInfo(HWND owner, ShellSeam& shell, MessageBoxSeam& messages) {
    bool started = false;
    try {
        if (const std::optional<std::wstring> path = SysInfoPath()) started = shell.StartProgram(*path, SW_SHOWNORMAL);
    } catch (...) {
        // Whatever went wrong, the user hears only that the tool is unavailable.
    }
    if (!started) messages.Show(owner, kSysInfoUnavailable, kAppTitle, MB_OK);
}

}  // namespace barsmith
