#pragma once
#include <objbase.h>

namespace barsmith {

// Initialises COM as a single-threaded apartment for the life of the object.
// A thread that another component already initialised in another mode
// (RPC_E_CHANGED_MODE) must not be uninitialised by us.
class ScopedCom {
public:
    ScopedCom() noexcept : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
    ScopedCom(const ScopedCom&) = delete;
    ScopedCom& operator=(const ScopedCom&) = delete;
    ~ScopedCom() {
        if (SUCCEEDED(hr_)) CoUninitialize();
    }

private:
    HRESULT hr_;
};

}  // namespace barsmith
