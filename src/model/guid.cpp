#include "model/guid.h"

#include <objbase.h>

namespace barsmith {

std::wstring CreateGUID() {
    GUID guid{};
    if (CoCreateGuid(&guid) != S_OK) return {};
    wchar_t buffer[39]{};  // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" and its NUL
    const int written = StringFromGUID2(guid, buffer, 39);  // counts the terminating NUL
    if (written <= 0) return {};
    return std::wstring(buffer, static_cast<size_t>(written - 1));
}

}  // namespace barsmith
