#include "platform/whole_file.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <vector>

#include "platform/handles.h"
#include "platform/names.h"

namespace barsmith {
namespace {

// The system's limits: a whole path with the "\\?\" prefix, and one name in it.
constexpr size_t kMaxPathLength = 32767;
constexpr size_t kMaxNameLength = 255;

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// Names the system takes as devices in any folder, with any extension.
bool IsDeviceName(std::wstring name) {
    while (!name.empty() && (name.back() == L' ' || name.back() == L'.')) name.pop_back();
    name = name.substr(0, name.find(L'.'));
    while (!name.empty() && name.back() == L' ') name.pop_back();
    for (const wchar_t* device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"}) {
        if (SameName(name, device)) return true;
    }
    return name.size() == 4 && (SameName(name.substr(0, 3), L"COM") || SameName(name.substr(0, 3), L"LPT")) &&
           name[3] >= L'1' && name[3] <= L'9';
}

bool LongestNameFits(const std::wstring& path) {
    size_t run = 0;
    for (const wchar_t c : path) {
        run = IsSeparator(c) ? 0 : run + 1;
        if (run > kMaxNameLength) return false;
    }
    return true;
}

using Why = FileError::Why;

FileError Refused(Why why, DWORD code, const std::wstring& name = {}) { return {why, code, name}; }
// ERROR_FILE_INVALID is what the program itself gives when the file it made
// is not the file the name holds.
FileError SystemError(DWORD code) { return {code == ERROR_FILE_INVALID ? Why::Replaced : Why::System, code, {}}; }

// The full path, as the file calls take it beyond MAX_PATH characters.
std::wstring Extended(const std::wstring& full) {
    if (full.size() < MAX_PATH || full.starts_with(L"\\\\?\\")) return full;
    if (full.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

// The full path of `path` and the folder it names a file in, or why it names none.
std::optional<FileError> Target(const std::wstring& path, std::wstring& full, std::wstring& folder) {
    const size_t slash = path.find_last_of(L"\\/");
    const std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    if (path.empty()) return Refused(Why::NoName, ERROR_INVALID_NAME);
    if (name.empty() || name == L"." || name == L"..") return Refused(Why::NamesFolder, ERROR_DIRECTORY);
    if (IsDeviceName(name)) return Refused(Why::Device, ERROR_INVALID_NAME, name);
    if (path.size() > kMaxPathLength || !LongestNameFits(path)) return Refused(Why::TooLong, ERROR_FILENAME_EXCED_RANGE);

    const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return SystemError(GetLastError());
    std::vector<wchar_t> buffer(needed);
    wchar_t* file = nullptr;
    const DWORD length = GetFullPathNameW(path.c_str(), needed, buffer.data(), &file);
    if (length == 0 || length >= needed || !file) return SystemError(length == 0 ? GetLastError() : ERROR_BAD_PATHNAME);
    full.assign(buffer.data(), length);
    folder.assign(buffer.data(), static_cast<size_t>(file - buffer.data()));
    if (full.size() > kMaxPathLength - 8) return Refused(Why::TooLong, ERROR_FILENAME_EXCED_RANGE);

    const DWORD folderAttributes = GetFileAttributesW(Extended(folder).c_str());
    if (folderAttributes == INVALID_FILE_ATTRIBUTES || !(folderAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return Refused(Why::NoFolder, ERROR_PATH_NOT_FOUND, folder);
    const DWORD attributes = GetFileAttributesW(Extended(full).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return Refused(Why::IsFolder, ERROR_DIRECTORY);
    return std::nullopt;
}

constexpr wchar_t kTemporaryPrefix[] = L"~bsm";

// The process whose temporary file `name` is ("~bsm<process>-<n>.tmp"), or 0.
DWORD TemporaryOwner(const std::wstring& name) {
    const std::wstring prefix = kTemporaryPrefix;
    if (!name.starts_with(prefix) || !name.ends_with(L".tmp")) return 0;
    const std::wstring middle = name.substr(prefix.size(), name.size() - prefix.size() - 4);
    const size_t dash = middle.find(L'-');
    const auto digits = [](const std::wstring& text) {
        return !text.empty() && text.size() <= 10 &&
               text.find_first_not_of(L"0123456789") == std::wstring::npos;
    };
    if (dash == std::wstring::npos || !digits(middle.substr(0, dash)) || !digits(middle.substr(dash + 1))) return 0;
    return static_cast<DWORD>(std::wcstoul(middle.c_str(), nullptr, 10));
}

// Deletes the temporary files that copies of the program ended part-way
// left in `folder`: those of processes that no longer run.
void SweepLeftTemporaries(const std::wstring& folder) {
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW(Extended(folder + kTemporaryPrefix + L"*.tmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        const DWORD owner = TemporaryOwner(found.cFileName);
        if (owner == 0 || owner == GetCurrentProcessId() ||
            (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
            continue;
        // A process that runs, whoever's, answers; one that is gone does not.
        if (const UniqueKernelHandle process(OpenProcess(SYNCHRONIZE, FALSE, owner)); process ||
            GetLastError() == ERROR_ACCESS_DENIED)
            continue;
        DeleteFileW(Extended(folder + found.cFileName).c_str());
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

// A new, empty file of a name no other file has, in `folder`, opened with
// `access` and `share`.
UniqueFile CreateTemporary(const std::wstring& folder, DWORD access, DWORD share, std::wstring& name, DWORD& error) {
    for (unsigned attempt = 0; attempt < 1000; ++attempt) {
        name = folder + kTemporaryPrefix + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(attempt) + L".tmp";
        UniqueFile file(CreateFileW(Extended(name).c_str(), access, share, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                    nullptr));
        error = file ? 0 : GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return file;
    }
    return {};
}

// Which file a handle is open on: its volume and its number there.
struct FileIdentity {
    DWORD volume = 0;
    DWORD indexHigh = 0;
    DWORD indexLow = 0;
    bool operator==(const FileIdentity&) const = default;
};

std::optional<FileIdentity> IdentityOf(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION information{};
    if (!GetFileInformationByHandle(file, &information) ||
        (information.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
        return std::nullopt;
    return FileIdentity{information.dwVolumeSerialNumber, information.nFileIndexHigh, information.nFileIndexLow};
}

// The file of that name itself, never what a link there points to.
UniqueFile OpenByName(const std::wstring& name, DWORD access, DWORD share) {
    return UniqueFile(CreateFileW(Extended(name).c_str(), access, share, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

// Held while the temporary file is renamed: it reads, so that it counts when
// the system checks sharing, and it lets the rename delete the name but no
// one write to the file.
constexpr DWORD kHeldAccess = FILE_READ_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
constexpr DWORD kHeldShare = FILE_SHARE_READ | FILE_SHARE_DELETE;

DWORD WriteAll(HANDLE file, const std::string& bytes, WriteChunkFn writeChunk) {
    size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
        DWORD written = 0;
        if (!writeChunk(file, bytes.data() + done, chunk, &written, nullptr)) return GetLastError();
        if (written == 0) return ERROR_WRITE_FAULT;
        done += written;
    }
    return FlushFileBuffers(file) ? 0 : GetLastError();
}

}  // namespace

std::optional<std::string> ReadWholeFile(const std::wstring& path, size_t mostBytes) {
    const UniqueFile file(CreateFileW(Extended(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE |
                                      FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file || GetFileType(file.get()) != FILE_TYPE_DISK || !GetFileSizeEx(file.get(), &size) ||
        static_cast<ULONGLONG>(size.QuadPart) > mostBytes)
        return std::nullopt;
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
        DWORD read = 0;
        if (!ReadFile(file.get(), bytes.data() + done, chunk, &read, nullptr) || read == 0) return std::nullopt;
        done += read;
    }
    return bytes;
}

namespace {

// Renames the temporary file, which `held` is open on, to `full` once it is
// written (`error` 0), and else deletes it. Another program that can write to
// the folder may swap a file of its own in for the temporary one whenever the
// name is free to rename; the file `full` names afterwards must be the one
// `held` is open on, and else the export failed.
std::optional<FileError> Settle(const UniqueFile& held, const std::wstring& temporary, const std::wstring& full,
                                DWORD error) {
    const std::optional<FileIdentity> made = IdentityOf(held.get());
    if (!error && !made) error = ERROR_FILE_INVALID;
    if (!error && !MoveFileExW(Extended(temporary).c_str(), Extended(full).c_str(),
                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        error = GetLastError();
    if (!error) {
        const UniqueFile written = OpenByName(full, FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
        if (written && IdentityOf(written.get()) == made) return std::nullopt;
        return SystemError(ERROR_FILE_INVALID);
    }
    if (made) DeleteFileW(Extended(temporary).c_str());
    return SystemError(error);
}

// The target checked, the temporary files ended copies left beside it
// cleared, and a new temporary file made there, opened with `access` and `share`.
std::optional<FileError> Begin(const std::wstring& path, DWORD access, DWORD share, std::wstring& full,
                               std::wstring& temporary, UniqueFile& file) {
    std::wstring folder;
    if (auto refused = Target(path, full, folder)) return refused;
    SweepLeftTemporaries(folder);
    DWORD error = 0;
    file = CreateTemporary(folder, access, share, temporary, error);
    if (!file) return SystemError(error ? error : ERROR_FILE_EXISTS);
    return std::nullopt;
}

}  // namespace

std::optional<FileError> MakeWholeFile(const std::wstring& path, const std::function<DWORD(const std::wstring&)>& fill) {
    std::wstring full;
    std::wstring temporary;
    UniqueFile guard;
    // The guard reads and shares reading and writing, so that `fill` may open
    // the file by its name, and not deleting: while it is open no other
    // program can delete, rename or replace the file, and what `fill` writes
    // by the name goes into the file made here.
    if (auto refused = Begin(path, kHeldAccess, FILE_SHARE_READ | FILE_SHARE_WRITE, full, temporary, guard))
        return refused;
    const std::optional<FileIdentity> made = IdentityOf(guard.get());
    DWORD error = made ? fill(temporary) : ERROR_FILE_INVALID;
    guard.reset();
    // Between the guard and this handle the name was free: the file opened
    // again must be the one made.
    UniqueFile held = OpenByName(temporary, kHeldAccess, kHeldShare);
    if (!held || IdentityOf(held.get()) != made) {
        held.reset();
        if (!error) error = ERROR_FILE_INVALID;
    }
    return Settle(held, temporary, full, error);
}

std::optional<FileError> WriteWholeFile(const std::wstring& path, const std::string& bytes, WriteChunkFn writeChunk) {
    std::wstring full;
    std::wstring temporary;
    UniqueFile file;
    if (auto refused = Begin(path, GENERIC_WRITE | kHeldAccess, kHeldShare, full, temporary, file)) return refused;
    // Written through the handle that made the file: its name is never opened again.
    const DWORD error = WriteAll(file.get(), bytes, writeChunk);
    return Settle(file, temporary, full, error);
}

}  // namespace barsmith
