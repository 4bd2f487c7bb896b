#pragma once
// The version of the running program as its VERSIONINFO resource states it.
#include <windows.h>

#include <optional>
#include <string>

namespace barsmith {

struct ProgramVersion {
    unsigned major;
    unsigned minor;
    unsigned revision;
};

// Major, minor and revision of the file version of `module`'s executable;
// nothing when it has no readable version resource.
std::optional<ProgramVersion> ReadProgramVersion(HMODULE module);

// "Version " and the three numbers in decimal, joined by dots: "Version 2.10.3".
std::wstring VersionText(const ProgramVersion& version);

}  // namespace barsmith
