#include "platform/names.h"

namespace barsmith {

std::wstring Escaped(std::wstring_view text) {
    constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
    std::wstring escaped;
    escaped.reserve(text.size());
    for (const wchar_t c : text) {
        if (!IsControlCharacter(c)) {
            escaped.push_back(c);
            continue;
        }
        escaped += L"\\u";
        for (int shift = 12; shift >= 0; shift -= 4) escaped.push_back(kDigits[(c >> shift) & 0xF]);
    }
    return escaped;
}

}  // namespace barsmith
