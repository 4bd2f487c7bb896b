#pragma once
// Writing a file whole: readers see the earlier file or the new one, never a
// part of the new one.
#include <windows.h>

#include <string>

namespace barsmith {

// Writes `bytes` to a new file of a temporary name in the folder of `path`
// and renames it to `path`, replacing a file of that name. Gives 0, or the
// system's error code with the temporary file gone and `path` untouched.
DWORD WriteWholeFile(const std::wstring& path, const std::string& bytes);

}  // namespace barsmith
