#pragma once
// barsmith.exe with arguments: list, create, remove and export buttons
// without a window, by the same operations as the window, for scripts.
// Exit codes: 0 done, 1 the operation failed, 2 the command line was wrong.
#include <string>
#include <vector>

namespace barsmith {

// True when the command line (as wWinMain receives it, without the
// program's name) holds any argument.
bool HasArguments(const wchar_t* commandLine);
// Runs the command given by the arguments after the program's name; output
// goes to the program's standard output and standard error.
int RunCommandLine(const std::vector<std::wstring>& arguments);
// The same for the command line the program was started with.
int RunCommandLine();

}  // namespace barsmith
