#include "cli/output_stream.h"

#include <algorithm>

namespace barsmith {
namespace {

bool Usable(HANDLE handle) { return handle && handle != INVALID_HANDLE_VALUE; }

// The console of the program that started this one, or no handle.
HANDLE OpenParentConsole() {
    // Refused when this process has a console already: that one serves.
    if (!AttachConsole(ATTACH_PARENT_PROCESS) && GetLastError() != ERROR_ACCESS_DENIED) return nullptr;
    const HANDLE console = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                       nullptr, OPEN_EXISTING, 0, nullptr);
    return Usable(console) ? console : nullptr;
}

std::wstring WithCrLf(const std::wstring& text) {
    std::wstring result;
    result.reserve(text.size() + text.size() / 16);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\n' && (i == 0 || text[i - 1] != L'\r')) result.push_back(L'\r');
        result.push_back(text[i]);
    }
    return result;
}

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(std::max(size, 0)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
    return bytes;
}

}  // namespace

OutputStream::OutputStream(DWORD which) {
    handle_ = GetStdHandle(which);
    if (!Usable(handle_)) {
        console_.reset(OpenParentConsole());
        handle_ = console_.get();
    }
    DWORD mode = 0;
    isConsole_ = handle_ && GetConsoleMode(handle_, &mode);
}

void OutputStream::Write(const std::wstring& text) const {
    if (!handle_) return;
    const std::wstring lines = WithCrLf(text);
    if (isConsole_) {
        DWORD written = 0;
        for (size_t done = 0; done < lines.size(); done += written) {
            const DWORD chunk = static_cast<DWORD>(std::min<size_t>(lines.size() - done, 8192));
            if (!WriteConsoleW(handle_, lines.data() + done, chunk, &written, nullptr) || written == 0) return;
        }
        return;
    }
    const std::string bytes = Utf8(lines);
    DWORD written = 0;
    for (size_t done = 0; done < bytes.size(); done += written) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 16));
        if (!WriteFile(handle_, bytes.data() + done, chunk, &written, nullptr) || written == 0) return;
    }
}

}  // namespace barsmith
