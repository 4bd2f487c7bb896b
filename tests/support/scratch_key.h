#pragma once
// A fresh key under HKEY_CURRENT_USER\Software\BarsmithTests for one test, removed
// with everything below it when the test ends, with its namesake under HKEY_LOCAL_MACHINE.
#include <windows.h>

#include <string>

#include "model/guid.h"

namespace barsmith::testing {

class ScratchKey {
public:
    ScratchKey() : path_(L"Software\\BarsmithTests\\" + CreateGUID()) {}
    ScratchKey(const ScratchKey&) = delete;
    ScratchKey& operator=(const ScratchKey&) = delete;
    // The machine-wide journal of changes is kept below the same name in HKEY_LOCAL_MACHINE.
    ~ScratchKey() {
        RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, path_.c_str());
    }
    const std::wstring& path() const { return path_; }
    std::wstring Sub(const std::wstring& name) const { return path_ + L"\\" + name; }
    // The key as an application name: the program keeps its settings below Software\<name>.
    std::wstring Application() const { return path_.substr(wcslen(L"Software\\")); }

private:
    std::wstring path_;
};

}  // namespace barsmith::testing
