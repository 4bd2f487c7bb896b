#pragma once
// Checks of a picture file's bytes before the system decodes them: every count,
// size and offset in an icon or cursor file's directory and images, and in a
// bitmap file's headers, against the bytes there are and against the limits of
// a preview. Whatever is doubtful is refused whole.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace barsmith {

// Larger files are not read at all: a preview never needs them.
inline constexpr size_t kMaxPictureFileBytes = 8u << 20;
inline constexpr int kMaxIconSide = 256;
// The largest bitmap side the preview scales down from.
inline constexpr int kMaxBitmapSide = 4096;

// One image of an icon or cursor file, as the system's icon decoder takes it.
struct IconImage {
    size_t offset = 0;  // of its bytes in the file
    size_t length = 0;
    int width = 0;
    int height = 0;
    int bitCount = 0;  // 32 for a PNG image
};

// The images of an icon (type 1) or cursor (type 2) file; empty when the file
// is not one or any entry or image in it is doubtful.
std::vector<IconImage> CheckedIconImages(std::span<const uint8_t> file);

// The RT_ICON ids of an icon group resource's images, in its order: its header
// and its 14-byte entries checked as an icon file's directory is. Empty when
// anything in it is doubtful.
std::vector<uint16_t> CheckedIconGroup(std::span<const uint8_t> group);

// The image of entry `index` of a checked icon group: checked as an icon file's
// images are, and against its entry. Nothing when anything is doubtful.
std::optional<IconImage> CheckedGroupImage(std::span<const uint8_t> group, size_t index, std::span<const uint8_t> image);

// The images in the order they show best at `size` pixels: the nearest size, a
// larger one before a smaller one, then the most colours.
std::vector<IconImage> IconImagesByPreference(std::vector<IconImage> images, int size);

// A bitmap file's picture: a BITMAPINFO rebuilt from the checked header fields
// (a BITMAPINFOHEADER, the three masks of BI_BITFIELDS, the colour table), and
// where its pixels lie in the file.
struct CheckedBitmap {
    std::vector<uint8_t> info;
    size_t pixelOffset = 0;
    size_t pixelLength = 0;

    const BITMAPINFO* header() const { return reinterpret_cast<const BITMAPINFO*>(info.data()); }
};

// Nothing when the file is not a bitmap file or anything in it is doubtful.
std::optional<CheckedBitmap> CheckedBitmapFile(std::span<const uint8_t> file);

// A picture whose bytes have passed the checks: an icon's or cursor's images or
// a bitmap file's picture, each at its place in `bytes`.
struct CheckedPicture {
    std::vector<uint8_t> bytes;
    std::vector<IconImage> images;
    std::optional<CheckedBitmap> bitmap;
};

// The picture of an icon, cursor or bitmap file; nothing when it is none of
// these or anything in it is doubtful.
std::optional<CheckedPicture> CheckedPictureFile(std::vector<uint8_t> file);

}  // namespace barsmith
