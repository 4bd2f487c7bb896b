#include "formats/registry_file.h"
#include "platform/names.h"

#include <algorithm>
#include <cstring>

namespace barsmith {
namespace {

constexpr wchar_t kHeader[] = L"Windows Registry Editor Version 5.00\r\n\r\n";
// The Registry Editor ends a line of hex bytes with `\` once it reaches this column.
constexpr size_t kHexWrapColumn = 76;

std::wstring Hex2(unsigned value) {
    constexpr wchar_t kDigits[] = L"0123456789abcdef";
    return {kDigits[(value >> 4) & 0xF], kDigits[value & 0xF]};
}

std::wstring QuotedName(const std::wstring& name) {
    return name.empty() ? L"@" : L"\"" + EscapeRegistryString(name) + L"\"";
}

// The data as text when it is one NUL-terminated string without CR, LF or
// NUL inside: the only strings a quoted value recreates exactly.
bool AsQuotedText(const RegistryValue& value, std::wstring& text) {
    const size_t size = value.data.size();
    if (value.type != REG_SZ || size < sizeof(wchar_t) || size % sizeof(wchar_t) != 0) return false;
    text.assign(size / sizeof(wchar_t), L'\0');
    memcpy(text.data(), value.data.data(), size);
    if (text.back() != L'\0') return false;
    text.pop_back();
    return text.find_first_of(std::wstring(L"\r\n\0", 3)) == std::wstring::npos;
}

std::wstring HexPrefix(DWORD type) {
    if (type == REG_BINARY) return L"hex:";
    std::wstring digits;
    for (DWORD rest = type; rest || digits.empty(); rest >>= 4) digits.insert(0, 1, L"0123456789abcdef"[rest & 0xF]);
    return L"hex(" + digits + L"):";
}

}  // namespace

bool FitsRegistryFile(std::wstring_view name) {
    return name.find_first_of(std::wstring_view(L"\r\n\0", 3)) == std::wstring_view::npos;
}

std::wstring EscapeRegistryString(const std::wstring& text) {
    std::wstring escaped;
    escaped.reserve(text.size());
    for (const wchar_t c : text) {
        if (c == L'\\' || c == L'"') escaped.push_back(L'\\');
        escaped.push_back(c);
    }
    return escaped;
}

std::wstring RegistryFileLine(const RegistryValue& value) {
    std::wstring line = QuotedName(value.name) + L"=";
    std::wstring text;
    if (AsQuotedText(value, text)) return line + L"\"" + EscapeRegistryString(text) + L"\"";
    if (value.type == REG_DWORD && value.data.size() == sizeof(DWORD)) {
        DWORD number = 0;
        memcpy(&number, value.data.data(), sizeof number);
        line += L"dword:";
        for (int shift = 24; shift >= 0; shift -= 8) line += Hex2(number >> shift);
        return line;
    }
    line += HexPrefix(value.type);
    size_t column = line.size();
    for (size_t i = 0; i < value.data.size(); ++i) {
        line += Hex2(value.data[i]);
        if (i + 1 == value.data.size()) break;
        line += L",";
        column += 3;
        if (column >= kHexWrapColumn) {
            line += L"\\\r\n  ";
            column = 2;
        }
    }
    return line;
}

std::wstring RegistryFileSection(const RegistryFileKey& key) {
    std::wstring section = L"[" + key.path + L"]\r\n";
    for (const RegistryValue& value : key.values) section += RegistryFileLine(value) + L"\r\n";
    return section + L"\r\n";
}

std::string RegistryFileBytes(const std::vector<RegistryFileKey>& keys) {
    std::wstring text = L"\xFEFF";
    text += kHeader;
    for (const RegistryFileKey& key : keys) text += RegistryFileSection(key);
    // wchar_t is UTF-16LE on Windows: the text's bytes are the file's.
    std::string bytes(text.size() * sizeof(wchar_t), '\0');
    memcpy(bytes.data(), text.data(), bytes.size());
    return bytes;
}

std::vector<RegistryValue> ReadKeyValues(const RegKey& key, const std::vector<std::wstring>& firstNames,
                                         LSTATUS& status) {
    std::vector<RegistryValue> values;
    status = key.Values(values);
    if (status != ERROR_SUCCESS) return {};
    // Names are compared as the registry compares them: case ignored.
    const auto rank = [&](const RegistryValue& value) {
        for (size_t i = 0; i < firstNames.size(); ++i) {
            const std::wstring& first = firstNames[i];
            if (SameName(first, value.name)) return i;
        }
        return firstNames.size();
    };
    std::stable_sort(values.begin(), values.end(),
                     [&](const RegistryValue& a, const RegistryValue& b) { return rank(a) < rank(b); });
    return values;
}

}  // namespace barsmith
