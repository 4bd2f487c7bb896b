#pragma once
// Writing a file whole: readers see the earlier file or the new one, never a
// part of the new one.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>

namespace barsmith {

// Why a file could not be written: what is wrong with its name, or the
// system's code of the call that failed.
struct FileError {
    enum class Why {
        System,       // a call failed with `code`
        NoName,       // no file is named
        NamesFolder,  // the name ends in a folder: a separator, "." or ".."
        Device,       // `name` is a device's (NUL, COM1...)
        TooLong,      // the name or the full path is longer than the system takes
        NoFolder,     // the folder `name` does not exist
        IsFolder,     // a folder has the name
        Replaced,     // another program changed or replaced the file while it was written
    };
    Why why = Why::System;
    DWORD code = 0;
    std::wstring name{};
};

// As WriteFile; tests put one in that fails part-way.
using WriteChunkFn = BOOL(WINAPI*)(HANDLE file, LPCVOID data, DWORD size, LPDWORD written, LPOVERLAPPED overlapped);

// Writes `bytes` to a new file of a temporary name in the folder of `path`
// and renames it to `path`, replacing a file of that name. Paths of any
// length the system allows work. Nothing when written; on failure the
// temporary file is gone and `path` is untouched. A device name (NUL, CON,
// COM1...), a folder, a missing folder or a name too long is refused before
// anything is written. Temporary files that copies of the program ended
// part-way left in the folder (their processes gone) are deleted first.
std::optional<FileError> WriteWholeFile(const std::wstring& path, const std::string& bytes,
                                        WriteChunkFn writeChunk = WriteFile);

// As WriteWholeFile, for a file that another writer makes by its name (a
// database, say): `fill` is given the temporary file's full path, where an
// empty file stands, and returns ERROR_SUCCESS or the system's code of its
// failure. The file is renamed to `path` only when `fill` succeeded. While
// `fill` runs, the file may be opened by its name for reading and writing
// but not deleted, renamed or replaced, so that what is written by the name
// goes into the file made; when another program swaps a file of its own in
// around the rename, the result is ERROR_FILE_INVALID, never success.
std::optional<FileError> MakeWholeFile(const std::wstring& path, const std::function<DWORD(const std::wstring&)>& fill);

// The whole of a file on disk, when it can be read and holds at most
// `mostBytes`; nothing otherwise (a pipe or a device is never read).
std::optional<std::string> ReadWholeFile(const std::wstring& path, size_t mostBytes);

}  // namespace barsmith
