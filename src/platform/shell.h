#pragma once
// The shell requests of the program (opening documents and pages, starting
// programs), behind an interface so that tests can see what would be started.
#include <windows.h>

#include <optional>
#include <string>

#include "platform/com.h"
#include "platform/library.h"

namespace barsmith {

enum class IconPick { Picked, Cancelled, Unavailable };

class ShellSeam {
public:
    virtual ~ShellSeam() = default;
    // As ShellExecuteW with no working directory; the result is the shell's.
    virtual HINSTANCE Execute(HWND owner, const std::wstring& verb, const std::wstring& file,
                              const std::wstring& parameters, int showCommand) = 0;
    // Starts the program at `path` (quoted, so that blanks in it cannot name
    // another program) in a window shown with `showCommand`; false when it cannot start.
    virtual bool StartProgram(const std::wstring& path, int showCommand) = 0;
    // The system's icon picker, showing the icons inside the file `path` with
    // `index` selected; when the user chose one, `path` and `index` name it.
    // Unavailable where the system has no picker to show.
    virtual IconPick PickIcon(HWND owner, std::wstring& path, int& index) = 0;
};

// The system's shell. shell32 and COM are loaded on the first Execute, not
// when the program starts.
class SystemShell final : public ShellSeam {
public:
    HINSTANCE Execute(HWND owner, const std::wstring& verb, const std::wstring& file, const std::wstring& parameters,
                      int showCommand) override;
    bool StartProgram(const std::wstring& path, int showCommand) override;
    IconPick PickIcon(HWND owner, std::wstring& path, int& index) override;

private:
    LazyLibrary shell32_{L"shell32.dll"};
    std::optional<ScopedCom> com_;
};

// The full path of a loaded module's file (the executable for nullptr), or
// the empty text when the system cannot tell.
std::wstring ModuleFileName(HMODULE module);
// The folder that holds the running executable, without a trailing backslash.
std::wstring ExecutableFolder();
// The system's folder (system32), without a trailing backslash.
std::wstring SystemFolder();

}  // namespace barsmith
