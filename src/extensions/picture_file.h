#pragma once
// Pictures that the My Buttons preview loads from the file named by a button's
// "Icon" value.
#include <windows.h>

#include <string>

#include "platform/handles.h"

namespace barsmith {

// The picture in the file as an icon of `size` pixels: an icon or cursor file
// gives its image of that size (or the nearest, scaled), a bitmap file is
// turned into an opaque icon. Empty for an empty name or a file that is
// missing or holds no such picture, whatever its extension claims.
UniqueIcon LoadPictureIcon(const std::wstring& path, int size);

}  // namespace barsmith
