#pragma once
// The shell requests of the program (opening documents and pages, starting
// programs), behind an interface so that tests can see what would be started.
#include <windows.h>

#include <optional>
#include <string>

#include "platform/com.h"
#include "platform/library.h"

namespace barsmith {

class ShellSeam {
public:
    virtual ~ShellSeam() = default;
    // As ShellExecuteW with no working directory; the result is the shell's.
    virtual HINSTANCE Execute(HWND owner, const std::wstring& verb, const std::wstring& file,
                              const std::wstring& parameters, int showCommand) = 0;
    // Starts the program at `path` (quoted, so that blanks in it cannot name
    // another program) in a window shown with `showCommand`; false when it cannot start.
    virtual bool StartProgram(const std::wstring& path, int showCommand) = 0;
};

// The system's shell. shell32 and COM are loaded on the first Execute, not
// when the program starts.
class SystemShell final : public ShellSeam {
public:
    HINSTANCE Execute(HWND owner, const std::wstring& verb, const std::wstring& file, const std::wstring& parameters,
                      int showCommand) override;
    bool StartProgram(const std::wstring& path, int showCommand) override;

private:
    LazyLibrary shell32_{L"shell32.dll"};
    std::optional<ScopedCom> com_;
};

// The full path of a loaded module's file (the executable for nullptr), or
// the empty text when the system cannot tell.
std::wstring ModuleFileName(HMODULE module);
// The folder that holds the running executable, without a trailing backslash.
std::wstring ExecutableFolder();

}  // namespace barsmith
