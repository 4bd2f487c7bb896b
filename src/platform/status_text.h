#pragma once
// The system's own wording of an error code, for the messages the program shows.
#include <windows.h>

#include <string>

namespace barsmith {

// The system's text for a Win32 error or registry status, without its line
// break; "error N." when the system has no text for it.
std::wstring StatusText(DWORD status);

}  // namespace barsmith
