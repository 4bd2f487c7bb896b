#include "platform/library.h"

namespace barsmith {

UniqueModule LazyLibrary::LoadSystemLibrary(const wchar_t* name) noexcept {
    // Only the system folder is searched, so that a DLL of the same name beside
    // the program or in the current folder is never picked up.
    UniqueModule module(LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
    // A system without that search flag (Windows 7 before its update) refuses it:
    // the system folder comes first in the ordinary search for known DLLs.
    if (!module && GetLastError() == ERROR_INVALID_PARAMETER) module.reset(LoadLibraryW(name));
    return module;
}

}  // namespace barsmith
