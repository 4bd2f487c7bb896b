#include "extensions/picture_file.h"

#include <cstdlib>
#include <optional>
#include <span>
#include <vector>

#include "extensions/picture_check.h"

namespace barsmith {
namespace {

// The whole file, read once: what is checked is what gets decoded, even if
// the file changes meanwhile. Nothing for a file that cannot be read, is not
// a file on disk (a pipe or a device could block) or is larger than a preview needs.
std::optional<std::vector<uint8_t>> ReadPictureFile(const std::wstring& path) {
    const UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file || GetFileType(file.get()) != FILE_TYPE_DISK || !GetFileSizeEx(file.get(), &size) ||
        size.QuadPart > static_cast<LONGLONG>(kMaxPictureFileBytes)) {
        return std::nullopt;
    }
    std::vector<uint8_t> bytes(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    if (!bytes.empty() && !ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr)) {
        return std::nullopt;
    }
    bytes.resize(read);  // a file cut short meanwhile is checked as it was read
    return bytes;
}

// Tries the images from the one that shows best at `size`: the decoder refuses
// some that pass the checks, and the next one is still a picture.
UniqueIcon IconFromIconFile(std::span<const uint8_t> file, const std::vector<IconImage>& images, int size) {
    constexpr DWORD kIconFormat = 0x00030000;  // the format of every icon and cursor image
    for (const IconImage& image : IconImagesByPreference(images, size)) {
        // The decoder takes a writable pointer to the image's bytes: give it a copy.
        std::vector<uint8_t> bytes(file.begin() + image.offset, file.begin() + image.offset + image.length);
        UniqueIcon icon(CreateIconFromResourceEx(bytes.data(), static_cast<DWORD>(bytes.size()), TRUE, kIconFormat, size,
                                                 size, LR_DEFAULTCOLOR));
        if (icon) return icon;
    }
    return {};
}

// Draws the whole bitmap stretched over `target`, as LoadImage does when given a size.
bool StretchBitmap(HDC screen, HBITMAP target, int size, const CheckedBitmap& bitmap, const uint8_t* pixels) {
    const UniqueMemoryDC dc(CreateCompatibleDC(screen));
    if (!dc) return false;
    const SelectObjectGuard select(dc.get(), target);
    SetStretchBltMode(dc.get(), COLORONCOLOR);
    const BITMAPINFOHEADER& header = bitmap.header()->bmiHeader;
    const int lines = StretchDIBits(dc.get(), 0, 0, size, size, 0, 0, header.biWidth, std::abs(header.biHeight), pixels,
                                    bitmap.header(), DIB_RGB_COLORS, SRCCOPY);
    return lines != 0 && lines != static_cast<int>(GDI_ERROR);
}

UniqueIcon IconFromBitmapFile(std::span<const uint8_t> file, const CheckedBitmap& bitmap, int size) {
    const WindowDC screen(nullptr);
    const UniqueBitmap color(CreateCompatibleBitmap(screen.get(), size, size));
    if (!color || !StretchBitmap(screen.get(), color.get(), size, bitmap, file.data() + bitmap.pixelOffset)) return {};
    // An all-zero AND mask keeps every pixel of the bitmap; its rows are whole WORDs.
    const std::vector<uint8_t> zeros(static_cast<size_t>((size + 15) / 16 * 2 * size), 0);
    const UniqueBitmap mask(CreateBitmap(size, size, 1, 1, zeros.data()));
    if (!mask) return {};
    ICONINFO info{TRUE, 0, 0, mask.get(), color.get()};
    return UniqueIcon(CreateIconIndirect(&info));  // copies both bitmaps
}

}  // namespace

UniqueIcon LoadPictureIcon(const std::wstring& path, int size) {
    if (path.empty() || size < 1 || size > kMaxBitmapSide) return {};
    const std::optional<std::vector<uint8_t>> file = ReadPictureFile(path);
    if (!file) return {};
    if (const std::vector<IconImage> images = CheckedIconImages(*file); !images.empty()) {
        return IconFromIconFile(*file, images, size);
    }
    if (const std::optional<CheckedBitmap> bitmap = CheckedBitmapFile(*file)) return IconFromBitmapFile(*file, *bitmap, size);
    return {};
}

}  // namespace barsmith
