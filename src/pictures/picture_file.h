#pragma once
// Pictures that the My Buttons preview loads from the file named by a button's
// "Icon" value.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/handles.h"

namespace barsmith {

// An "Icon" value split as the browser reads it: `path,N` names an icon inside
// a program or DLL, N >= 0 its index among the file's icons (in the resource
// directory's order: named ones first, then ids ascending), N < 0 the icon's
// resource id -N. Blanks may stand around the comma and the number. Any other
// text is a plain path, C:\a,b\x.ico among them: what follows its last comma
// is no number.
struct IconLocation {
    std::wstring path;
    std::optional<int> resource;  // the N
};
IconLocation ParseIconLocation(const std::wstring& text);

// The picture `location` names as an icon of `size` pixels (1 to 4096): an
// icon or cursor file, or an icon inside a program or DLL, gives its image of
// that size (or the nearest, scaled; the next best where one cannot be drawn),
// a bitmap file is turned into an opaque icon. An icon or bitmap file is
// index 0 of itself. The bytes are read once and checked before anything
// decodes them (picture_check.h, picture_resource.h). Empty for an empty name,
// a file that is missing, damaged or doubtful in any way, or that holds no
// such picture, whatever its extension claims.
UniqueIcon LoadPictureIcon(const std::wstring& location, int size);

// The side (the larger of width and height) of every image of the icon or
// cursor `location` names, or the one side of a bitmap file, read and checked
// as LoadPictureIcon reads and checks them. Nothing when the file is missing,
// damaged, doubtful or holds no such picture.
std::optional<std::vector<int>> PictureImageSides(const std::wstring& location);

// The image the system draws for the icon `location` at `size` pixels: the
// one LoadPictureIcon takes. `exact` when it is `size` by `size`; otherwise
// the system scales it, from its `side` (the larger of width and height).
// Nothing when the file is missing, damaged, doubtful or holds no picture.
struct ImageForSize {
    bool exact = false;
    int side = 0;
};
std::optional<ImageForSize> PictureImageFor(const std::wstring& location, int size);

}  // namespace barsmith
