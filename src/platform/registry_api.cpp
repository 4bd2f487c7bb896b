#include "platform/registry_api.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/handles.h"

namespace barsmith {
namespace {

// The native registry calls take names as counted strings; they are not in
// the SDK's headers, so they are looked up in ntdll, which every process has.
struct CountedName {
    USHORT length;  // in bytes, without a terminator
    USHORT maximumLength;
    const wchar_t* buffer;
};
struct PartialValue {
    ULONG titleIndex;
    ULONG type;
    ULONG dataLength;
    BYTE data[1];
};
constexpr int kPartialInformation = 2;
using NtQueryValueKeyFn = LONG(NTAPI*)(HANDLE, const CountedName*, int, void*, ULONG, ULONG*);
using NtDeleteValueKeyFn = LONG(NTAPI*)(HANDLE, const CountedName*);
using NtDeleteKeyFn = LONG(NTAPI*)(HANDLE);
using RtlNtStatusToDosErrorFn = ULONG(NTAPI*)(LONG);

template <typename Fn>
Fn Native(const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), name)));
}

bool HasNul(const std::wstring& name) { return name.find(L'\0') != std::wstring::npos; }

CountedName Counted(const std::wstring& name) {
    const auto bytes = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    return {bytes, bytes, name.data()};
}

LSTATUS DosError(LONG ntStatus) {
    static const auto convert = Native<RtlNtStatusToDosErrorFn>("RtlNtStatusToDosError");
    if (ntStatus >= 0) return ERROR_SUCCESS;
    return convert ? static_cast<LSTATUS>(convert(ntStatus)) : ERROR_GEN_FAILURE;
}

LSTATUS QueryCountedValue(HKEY key, const std::wstring& name, DWORD* type, BYTE* data, DWORD* size) {
    static const auto query = Native<NtQueryValueKeyFn>("NtQueryValueKey");
    if (!query || name.size() > 16383) return ERROR_INVALID_PARAMETER;
    const CountedName counted = Counted(name);
    ULONG needed = 0;
    std::vector<BYTE> buffer(offsetof(PartialValue, data) + (data && size ? *size : 0));
    LONG status = query(key, &counted, kPartialInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
    if (status < 0 && needed > buffer.size()) {
        buffer.resize(needed);
        status = query(key, &counted, kPartialInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
    }
    if (status < 0) return DosError(status);
    const auto* value = reinterpret_cast<const PartialValue*>(buffer.data());
    if (type) *type = value->type;
    if (!size) return ERROR_SUCCESS;
    const DWORD room = *size;
    *size = value->dataLength;
    if (!data) return ERROR_SUCCESS;
    if (value->dataLength > room) return ERROR_MORE_DATA;
    memcpy(data, value->data, value->dataLength);
    return ERROR_SUCCESS;
}

// The parts of a path between its backslashes; empty parts are dropped, as
// the system drops them.
std::vector<std::wstring> PathParts(const std::wstring& path) {
    std::vector<std::wstring> parts;
    for (size_t at = 0; at <= path.size();) {
        const size_t end = std::min(path.find(L'\\', at), path.size());
        if (end > at) parts.push_back(path.substr(at, end - at));
        at = end + 1;
    }
    return parts;
}

// A key opened as itself is a link when it holds the value that names the
// link's target, of the link type.
bool IsLink(HKEY key) {
    DWORD type = REG_NONE;
    return RegQueryValueExW(key, L"SymbolicLinkValue", nullptr, &type, nullptr, nullptr) == ERROR_SUCCESS &&
           type == REG_LINK;
}

// Opens (or creates) `path` below `root` a part at a time, each part as the
// key itself and refused when it is a link. The parts on the way are opened
// to be looked at only; the last with `access`.
LSTATUS OpenParts(HKEY root, const std::wstring& path, REGSAM access, bool create, HKEY* key) {
    if (HasNul(path)) return ERROR_INVALID_NAME;
    const std::vector<std::wstring> parts = PathParts(path);
    if (parts.empty()) return RegOpenKeyExW(root, L"", 0, access, key);
    const REGSAM view = access & KEY_WOW64_RES;
    UniqueRegistryKey held;
    for (size_t i = 0; i < parts.size(); ++i) {
        const REGSAM wanted = i + 1 == parts.size() ? access | KEY_QUERY_VALUE : KEY_QUERY_VALUE | view;
        const HKEY parent = held.get() ? held.get() : root;
        HKEY next = nullptr;
        const LSTATUS status =
            create ? RegCreateKeyExW(parent, parts[i].c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE | REG_OPTION_OPEN_LINK,
                                     wanted, nullptr, &next, nullptr)
                   : RegOpenKeyExW(parent, parts[i].c_str(), REG_OPTION_OPEN_LINK, wanted, &next);
        if (status != ERROR_SUCCESS) return status;
        held.reset(next);
        if (IsLink(next)) return kKeyIsLink;
    }
    *key = held.release();
    return ERROR_SUCCESS;
}

}  // namespace

LSTATUS SystemRegistry::CreateKey(HKEY root, const std::wstring& subKey, REGSAM access, HKEY* key) {
    return OpenParts(root, subKey, access, true, key);
}

LSTATUS SystemRegistry::OpenKey(HKEY root, const std::wstring& subKey, REGSAM access, HKEY* key) {
    return OpenParts(root, subKey, access, false, key);
}

LSTATUS SystemRegistry::SetValue(HKEY key, const std::wstring& name, DWORD type, const BYTE* data, DWORD size) {
    // RegSetValueExW would write the value named by the part before the NUL.
    if (HasNul(name)) return ERROR_INVALID_NAME;
    return RegSetValueExW(key, name.c_str(), 0, type, data, size);
}

// The key itself is deleted, through a handle to it: RegDeleteKeyExW would
// open it following a link, and delete what the link points to.
LSTATUS SystemRegistry::DeleteKey(HKEY root, const std::wstring& subKey, REGSAM view) {
    static const auto remove = Native<NtDeleteKeyFn>("NtDeleteKey");
    if (!remove) return ERROR_INVALID_FUNCTION;
    const size_t last = subKey.find_last_of(L'\\');
    UniqueRegistryKey parent;
    if (last != std::wstring::npos) {
        HKEY opened = nullptr;
        if (const LSTATUS status = OpenParts(root, subKey.substr(0, last), KEY_QUERY_VALUE | view, false, &opened))
            return status;
        parent.reset(opened);
    }
    const std::wstring name = last == std::wstring::npos ? subKey : subKey.substr(last + 1);
    if (name.empty() || HasNul(name)) return ERROR_INVALID_NAME;
    HKEY opened = nullptr;
    if (const LSTATUS status = RegOpenKeyExW(parent.get() ? parent.get() : root, name.c_str(), REG_OPTION_OPEN_LINK,
                                             DELETE | KEY_QUERY_VALUE | view, &opened))
        return status;
    const UniqueRegistryKey doomed(opened);
    return DosError(remove(doomed.get()));
}

LSTATUS SystemRegistry::QueryValue(HKEY key, const std::wstring& name, DWORD* type, BYTE* data, DWORD* size) {
    if (HasNul(name)) return QueryCountedValue(key, name, type, data, size);
    return RegQueryValueExW(key, name.c_str(), nullptr, type, data, size);
}

LSTATUS SystemRegistry::DeleteValue(HKEY key, const std::wstring& name) {
    if (!HasNul(name)) return RegDeleteValueW(key, name.c_str());
    static const auto remove = Native<NtDeleteValueKeyFn>("NtDeleteValueKey");
    if (!remove || name.size() > 16383) return ERROR_INVALID_PARAMETER;
    const CountedName counted = Counted(name);
    return DosError(remove(key, &counted));
}

}  // namespace barsmith
