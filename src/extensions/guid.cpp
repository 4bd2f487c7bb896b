#include "extensions/guid.h"

#include <objbase.h>

namespace barsmith {

std::wstring CreateGUID() {
    GUID guid{};
    if (CoCreateGuid(&guid) != S_OK) return {};
    wchar_t buffer[260]{};
    const int written = StringFromGUID2(guid, buffer, 260);  // counts the terminating NUL
    if (written <= 0) return {};
    return std::wstring(buffer, static_cast<size_t>(written - 1));
}

}  // namespace barsmith
