#pragma once
// Who runs the program, as the system knows them.
#include <windows.h>

#include <string>

namespace barsmith {

// The SID of the user the process runs as ("S-1-5-21-..."); empty when the
// system does not tell.
std::wstring CurrentUserSid();

}  // namespace barsmith
