#pragma once
// The lock every read-decide-write sequence on My Buttons and the button keys
// runs under, shared by every copy of the program in the logon session.
#include <windows.h>

namespace barsmith {

inline constexpr wchar_t kButtonsLockName[] = L"Barsmith.Buttons";
inline constexpr DWORD kButtonsLockTimeoutMs = 15000;

}  // namespace barsmith
