#pragma once
// The lock every read-decide-write sequence on My Buttons and the button keys
// runs under, shared by every copy of the program in the logon session.
// Whoever takes it first settles what a copy ended part-way left behind.
#include <windows.h>

#include <string>

#include "storage/my_buttons_catalogue.h"
#include "platform/registry_api.h"
#include "platform/session_lock.h"

namespace barsmith {

inline constexpr wchar_t kButtonsLockName[] = L"Barsmith.Buttons";
inline constexpr DWORD kButtonsLockTimeoutMs = 15000;

class ButtonsLock {
public:
    // Waits for the lock; once held, finishes or undoes every change the
    // catalogue's journal holds.
    ButtonsLock(RegistryApi& api, const MyButtonsCatalogue& catalogue);

    bool Held() const { return lock_.Held(); }
    // What of an earlier change could not be settled; empty when all could.
    const std::wstring& Unsettled() const { return unsettled_; }

private:
    SessionLock lock_;
    std::wstring unsettled_;
};

}  // namespace barsmith
