#pragma once
// Names as the registry and the user see them: compared ordinally with case
// ignored (how the registry compares key and value names), and quoted in messages.
#include <windows.h>

#include <string>
#include <string_view>

namespace barsmith {

// Negative, 0 or positive as `a` sorts before, with or after `b`.
inline int CompareNames(std::wstring_view a, std::wstring_view b) {
    return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) -
           CSTR_EQUAL;
}
inline bool SameName(std::wstring_view a, std::wstring_view b) { return CompareNames(a, b) == 0; }
struct NameLess {
    bool operator()(std::wstring_view a, std::wstring_view b) const { return CompareNames(a, b) < 0; }
};

// The name in double quotes, as the program's messages show it.
inline std::wstring Quoted(std::wstring_view name) { return L"\"" + std::wstring(name) + L"\""; }

// A character that lays out text rather than being text: the C0 and C1
// controls, DEL, and the Unicode line and paragraph separators.
constexpr bool IsControlCharacter(wchar_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029;
}

// The text with each control character written as "\uXXXX", so that what
// another program stored can be shown on one line without acting on the
// terminal or the window it is shown in.
std::wstring Escaped(std::wstring_view text);

}  // namespace barsmith
