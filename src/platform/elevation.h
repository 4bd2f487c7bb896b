#pragma once
// Whether the program may write what belongs to everyone on the computer, and
// starting it again as administrator when it may not; behind an interface so
// that tests choose the answer and see what would be started.
#include <windows.h>

#include <string>

#include "platform/library.h"

namespace barsmith {

enum class ElevatedStart {
    Started,   // the new copy runs
    Declined,  // the user said no to the system's prompt
    Failed,    // the system could not start it
};

class ElevationSeam {
public:
    virtual ~ElevationSeam() = default;
    // True when the program runs with the administrator's rights, and on a
    // system that makes no such distinction (its users' tokens are never split).
    virtual bool IsElevated() = 0;
    // Starts the running executable again with `parameters`, asking the
    // system for the administrator's rights ("runas").
    virtual ElevatedStart StartElevated(HWND owner, const std::wstring& parameters) = 0;
};

class SystemElevation final : public ElevationSeam {
public:
    bool IsElevated() override;
    ElevatedStart StartElevated(HWND owner, const std::wstring& parameters) override;

private:
    LazyLibrary shell32_{L"shell32.dll"};
};

// `argument` quoted for a command line, as CommandLineToArgvW and the C
// runtime split it again: backslashes doubled only before a quote.
std::wstring QuotedArgument(const std::wstring& argument);

}  // namespace barsmith
