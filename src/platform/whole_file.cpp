#include "platform/whole_file.h"

#include <algorithm>
#include <vector>

#include "platform/handles.h"

namespace barsmith {
namespace {

// The full path of `path` and, in `folder`, the folder it names a file in.
DWORD FullPath(const std::wstring& path, std::wstring& full, std::wstring& folder) {
    const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return GetLastError();
    std::vector<wchar_t> buffer(needed);
    wchar_t* name = nullptr;
    const DWORD length = GetFullPathNameW(path.c_str(), needed, buffer.data(), &name);
    if (length == 0 || length >= needed) return GetLastError() ? GetLastError() : ERROR_BAD_PATHNAME;
    if (!name) return ERROR_DIRECTORY;  // the path ends in a separator: no file name
    full.assign(buffer.data(), length);
    folder.assign(buffer.data(), static_cast<size_t>(name - buffer.data()));
    return 0;
}

DWORD WriteNewFile(const std::wstring& path, const std::string& bytes) {
    const UniqueFile file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return GetLastError();
    size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
        DWORD written = 0;
        if (!WriteFile(file.get(), bytes.data() + done, chunk, &written, nullptr)) return GetLastError();
        if (written == 0) return ERROR_WRITE_FAULT;
        done += written;
    }
    return FlushFileBuffers(file.get()) ? 0 : GetLastError();
}

}  // namespace

DWORD WriteWholeFile(const std::wstring& path, const std::string& bytes) {
    std::wstring full;
    std::wstring folder;
    if (const DWORD error = FullPath(path, full, folder)) return error;
    wchar_t temporary[MAX_PATH + 1]{};
    if (!GetTempFileNameW(folder.c_str(), L"bsm", 0, temporary)) return GetLastError();
    DWORD error = WriteNewFile(temporary, bytes);
    if (!error && !MoveFileExW(temporary, full.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        error = GetLastError();
    if (error) DeleteFileW(temporary);
    return error;
}

}  // namespace barsmith
