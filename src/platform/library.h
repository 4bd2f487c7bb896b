#pragma once
// A system DLL that the program loads only when one of its calls is first
// needed, so that starting the program does not pay for it; it is freed with
// its owner.
#include <windows.h>

#include "platform/handles.h"

namespace barsmith {

using UniqueModule = UniqueHandle<NullHandleTraits<HMODULE, FreeLibrary>>;

class LazyLibrary {
public:
    // `name` is a DLL of the system folder, such as L"comdlg32.dll".
    explicit LazyLibrary(const wchar_t* name) noexcept : name_(name) {}

    // The exported function, loading the DLL on first use; nullptr when the DLL
    // or the export is missing. `Fn` is the function's type, e.g. decltype(GetOpenFileNameW).
    template <typename Fn>
    Fn* Find(const char* exportName) {
        if (!module_) module_ = LoadSystemLibrary(name_);
        if (!module_) return nullptr;
        // Through a pointer to a function of no arguments, which any function pointer may become.
        return reinterpret_cast<Fn*>(reinterpret_cast<void (*)()>(GetProcAddress(module_.get(), exportName)));
    }
    bool Loaded() const noexcept { return static_cast<bool>(module_); }

private:
    static UniqueModule LoadSystemLibrary(const wchar_t* name) noexcept;

    const wchar_t* name_;
    UniqueModule module_;
};

}  // namespace barsmith
