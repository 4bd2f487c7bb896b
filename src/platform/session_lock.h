#pragma once
// A lock that every process of the user's logon session can take by name: a
// mutex in the session's Local namespace. Whoever holds it may read, decide
// and write without another process stepping in between.
#include <windows.h>

#include <string>

#include "platform/handles.h"

namespace barsmith {

class SessionLock {
public:
    // Waits up to `timeoutMs` for the lock named `name`. A holder that ended
    // without letting go (an abandoned mutex) hands it on: what it left half
    // done is the next holder's to find.
    SessionLock(const std::wstring& name, DWORD timeoutMs);
    SessionLock(const SessionLock&) = delete;
    SessionLock& operator=(const SessionLock&) = delete;
    ~SessionLock();

    bool Held() const { return held_; }

private:
    UniqueKernelHandle mutex_;
    bool held_ = false;
};

}  // namespace barsmith
