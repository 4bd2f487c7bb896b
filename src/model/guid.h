#pragma once
#include <string>

namespace barsmith {

// A new GUID in the registry's string form, "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"
// (38 characters, upper-case hexadecimal), or the empty text when none could be made.
std::wstring CreateGUID();

}  // namespace barsmith
