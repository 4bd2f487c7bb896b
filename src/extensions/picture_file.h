#pragma once
// Pictures that the My Buttons preview loads from the file named by a button's
// "Icon" value.
#include <windows.h>

#include <string>

#include "platform/handles.h"

namespace barsmith {

// The picture in the file as an icon of `size` pixels (1 to 4096): an icon or
// cursor file gives its image of that size (or the nearest, scaled), a bitmap
// file is turned into an opaque icon. The file is read once and checked whole
// before anything decodes it (picture_check.h). Empty for an empty name, a
// file that is missing, damaged or doubtful in any way, or that holds no such
// picture, whatever its extension claims.
UniqueIcon LoadPictureIcon(const std::wstring& path, int size);

}  // namespace barsmith
