#pragma once
// Icon groups inside a program or DLL, found through the file's own resource
// directory. The file is neither run nor mapped: only its headers, the
// directory entries on the way, the group and its images are read, each at its
// offset, and every count, offset, size and address is checked against the
// bytes there are before it is followed.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "pictures/picture_check.h"

namespace barsmith {

// `count` bytes of `file` from `at`; nothing when the file does not hold them all.
std::optional<std::vector<uint8_t>> ReadFileAt(HANDLE file, uint64_t at, size_t count);

// Whether the file starts as every program and DLL does.
bool IsProgramFile(HANDLE file);

// The icon group that `resource` names in the program or DLL open as `file`:
// 0 or more is its index in the resource directory's order (named groups
// first, then ids ascending), less than 0 its id negated. Its images have
// passed the checks of an icon file's images. Nothing when there is no such
// group or anything on the way to it is doubtful.
std::optional<CheckedPicture> ReadProgramIcon(HANDLE file, int resource);

}  // namespace barsmith
