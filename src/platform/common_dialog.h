#pragma once
// A file-open and Save As dialog object whose properties persist between uses, over
// GetOpenFileNameW and GetSaveFileNameW. The call itself goes through FileDialogSeam so that tests
// can script the user's answer.
#include <windows.h>
#include <commdlg.h>

#include <stdexcept>
#include <string>

namespace barsmith {

class FileDialogSeam {
public:
    virtual ~FileDialogSeam() = default;
    // As GetOpenFileNameW: true when the user chose a file.
    virtual bool ShowOpenDialog(OPENFILENAMEW& request) = 0;
    // As GetSaveFileNameW: true when the user chose where to save.
    virtual bool ShowSaveDialog(OPENFILENAMEW& request) = 0;
};

class SystemFileDialog final : public FileDialogSeam {
public:
    bool ShowOpenDialog(OPENFILENAMEW& request) override { return GetOpenFileNameW(&request) != FALSE; }
    bool ShowSaveDialog(OPENFILENAMEW& request) override { return GetSaveFileNameW(&request) != FALSE; }
};

// Raised by ShowOpen when the user cancels and CancelError is set, or when the
// dialog itself fails.
class DialogCancelled : public std::runtime_error {
public:
    DialogCancelled() : std::runtime_error("file dialog cancelled") {}
};

// "desc|pattern|desc|pattern" as the dialog wants it: NUL-separated, ending in two NULs.
std::wstring ToDialogFilter(const std::wstring& filter);

class CommonDialog {
public:
    explicit CommonDialog(FileDialogSeam& dialog) : dialog_(dialog) {}

    bool CancelError = false;
    std::wstring Filter;
    std::wstring DialogTitle;
    std::wstring InitDir;
    std::wstring FileName;
    std::wstring DefaultExt;  // added to a typed name that has none (Save As only)

    // Shows the dialog modally over `owner`; on success FileName holds the path.
    void ShowOpen(HWND owner) { Show(owner, false); }
    // The Save As dialog: asks before an existing file is replaced.
    void ShowSave(HWND owner) { Show(owner, true); }

private:
    void Show(HWND owner, bool save);

    // Room for the longest path the system accepts.
    static constexpr DWORD kMaxPath = 32767;
    FileDialogSeam& dialog_;
};

}  // namespace barsmith
