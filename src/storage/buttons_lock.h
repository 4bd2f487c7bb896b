#pragma once
// The lock every read-decide-write sequence on My Buttons and the button keys
// runs under, shared by every copy of the program in the logon session. It
// only locks: settling what another copy left is the caller's first step
// (button_change.h).
#include <windows.h>

#include "platform/session_lock.h"

namespace barsmith {

inline constexpr wchar_t kButtonsLockName[] = L"Barsmith.Buttons";
inline constexpr DWORD kButtonsLockTimeoutMs = 15000;

class ButtonsLock {
public:
    // Waits for the lock, at most kButtonsLockTimeoutMs.
    ButtonsLock() : lock_(kButtonsLockName, kButtonsLockTimeoutMs) {}

    bool Held() const { return lock_.Held(); }

private:
    SessionLock lock_;
};

}  // namespace barsmith
