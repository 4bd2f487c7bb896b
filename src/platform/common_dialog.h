#pragma once
// A file-open and Save As dialog whose properties persist between uses, over
// GetOpenFileNameW and GetSaveFileNameW. The call itself goes through FileDialogSeam so that tests
// can script the user's answer.
#include <windows.h>
#include <commdlg.h>

#include <optional>
#include <string>

#include "platform/com.h"
#include "platform/library.h"

namespace barsmith {

class FileDialogSeam {
public:
    virtual ~FileDialogSeam() = default;
    // As GetOpenFileNameW: true when the user chose a file.
    virtual bool ShowOpenDialog(OPENFILENAMEW& request) = 0;
    // As GetSaveFileNameW: true when the user chose where to save.
    virtual bool ShowSaveDialog(OPENFILENAMEW& request) = 0;
    // As CommDlgExtendedError after either dialog gave false: 0 when the user
    // cancelled, otherwise why the dialog failed. A scripted dialog never fails.
    virtual DWORD ExtendedError() { return 0; }
};

// The system's dialog. comdlg32 and COM are loaded when it is first shown, not
// when the program starts.
class SystemFileDialog final : public FileDialogSeam {
public:
    bool ShowOpenDialog(OPENFILENAMEW& request) override { return Show("GetOpenFileNameW", request); }
    bool ShowSaveDialog(OPENFILENAMEW& request) override { return Show("GetSaveFileNameW", request); }
    DWORD ExtendedError() override;

private:
    // GetOpenFileNameW or GetSaveFileNameW, which take the same request.
    bool Show(const char* function, OPENFILENAMEW& request);

    LazyLibrary comdlg32_{L"comdlg32.dll"};
    std::optional<ScopedCom> com_;
};

// "desc|pattern|desc|pattern" as the dialog wants it: NUL-separated, ending in two NULs.
std::wstring ToDialogFilter(const std::wstring& filter);

class FileDialog {
public:
    explicit FileDialog(FileDialogSeam& dialog) : dialog_(dialog) {}

    std::wstring Filter;
    std::wstring DialogTitle;
    std::wstring InitDir;
    std::wstring FileName;    // offered first; the last file chosen
    std::wstring DefaultExt;  // added to a typed name that has none (Save As only)

    // Shows the dialog modally over `owner`: the file chosen, also kept in
    // FileName; nothing when the user cancelled or the dialog failed.
    std::optional<std::wstring> Open(HWND owner) { return Show(owner, false); }
    // The Save As dialog: asks before an existing file is replaced.
    std::optional<std::wstring> Save(HWND owner) { return Show(owner, true); }

private:
    std::optional<std::wstring> Show(HWND owner, bool save);

    // Room for the longest path the system accepts.
    static constexpr DWORD kMaxPath = 32767;
    FileDialogSeam& dialog_;
};

}  // namespace barsmith
