#pragma once
// A program started with its standard output and error going to the files
// stdout.txt and stderr.txt of a folder, as a script's redirections send
// them, and waited for up to a minute. The files stay, for the next run to
// write over.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/handles.h"
#include "platform/whole_file.h"

namespace barsmith::testing {

struct RedirectedRun {
    DWORD exit = 999;
    std::string out;  // the bytes as written
    std::string err;
};

// `program` may be empty: the command line's first word names it. `token`:
// started as that user; none, as this process's.
inline RedirectedRun RunRedirected(const std::wstring& program, std::wstring command,
                                   const std::filesystem::path& folder, HANDLE token = nullptr) {
    const std::filesystem::path files[] = {folder / L"stdout.txt", folder / L"stderr.txt"};
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    UniqueKernelHandle out(CreateFileW(files[0].c_str(), GENERIC_WRITE, 0, &inherited, CREATE_ALWAYS, 0, nullptr));
    UniqueKernelHandle err(CreateFileW(files[1].c_str(), GENERIC_WRITE, 0, &inherited, CREATE_ALWAYS, 0, nullptr));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out.get();
    startup.hStdError = err.get();
    PROCESS_INFORMATION started{};
    const wchar_t* name = program.empty() ? nullptr : program.c_str();
    // Without CREATE_NO_WINDOW: Wine would give a console program a console
    // process of its own, which inherits the output files and outlives it.
    const BOOL made = token ? CreateProcessAsUserW(token, name, command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                                   nullptr, &startup, &started)
                            : CreateProcessW(name, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                                             &started);
    RedirectedRun run;
    if (made) {
        const UniqueKernelHandle process(started.hProcess);
        const UniqueKernelHandle thread(started.hThread);
        WaitForSingleObject(process.get(), 60000);
        GetExitCodeProcess(process.get(), &run.exit);
    } else {
        ADD_FAILURE() << "cannot start " << command << ": error " << GetLastError();
    }
    out.reset();
    err.reset();
    run.out = ReadWholeFile(files[0].wstring(), 64u << 20).value_or("");
    run.err = ReadWholeFile(files[1].wstring(), 64u << 20).value_or("");
    return run;
}

}  // namespace barsmith::testing
