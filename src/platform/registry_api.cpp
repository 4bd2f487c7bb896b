#include "platform/registry_api.h"

#include <cstring>
#include <vector>

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

}  // namespace

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
