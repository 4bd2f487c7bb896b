#include "platform/session_lock.h"

namespace barsmith {

SessionLock::SessionLock(const std::wstring& name, DWORD timeoutMs)
    : mutex_(CreateMutexW(nullptr, FALSE, (L"Local\\" + name).c_str())) {
    if (!mutex_) return;
    const DWORD waited = WaitForSingleObject(mutex_.get(), timeoutMs);
    held_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
}

SessionLock::~SessionLock() {
    if (held_) ReleaseMutex(mutex_.get());
}

}  // namespace barsmith
