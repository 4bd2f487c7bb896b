#include "formats/exported_entry.h"

#include <cstring>

namespace barsmith {

std::optional<std::wstring> WholeText(const RegistryValue& value) {
    const std::vector<BYTE>& data = value.data;
    if (value.type != REG_SZ || data.size() < sizeof(wchar_t) || data.size() % sizeof(wchar_t) != 0) return std::nullopt;
    std::wstring text(data.size() / sizeof(wchar_t), L'\0');
    memcpy(text.data(), data.data(), data.size());
    // One NUL, at the end: a NUL inside would cut the text short when read back.
    if (text.back() != L'\0' || text.find(L'\0') != text.size() - 1) return std::nullopt;
    text.pop_back();
    return text;
}

}  // namespace barsmith
