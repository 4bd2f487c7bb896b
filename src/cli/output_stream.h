#pragma once
// Standard output and standard error of the program, which belongs to the
// windows subsystem and so gets no console of its own: the file or pipe it
// was given, written in UTF-8, or else the console of the program that
// started it (a Command Prompt), written as the console's own characters.
#include <windows.h>

#include <string>

#include "platform/handles.h"

namespace barsmith {

class OutputStream {
public:
    // `which` is STD_OUTPUT_HANDLE or STD_ERROR_HANDLE.
    explicit OutputStream(DWORD which);
    OutputStream(const OutputStream&) = delete;
    OutputStream& operator=(const OutputStream&) = delete;

    // Writes `text` with its line ends made CRLF; with nowhere to write to,
    // the text is dropped.
    void Write(const std::wstring& text) const;
    void Line(const std::wstring& text) const { Write(text + L"\n"); }

private:
    HANDLE handle_ = nullptr;
    UniqueKernelHandle console_;  // the starting program's console, when opened here
    bool isConsole_ = false;
};

}  // namespace barsmith
