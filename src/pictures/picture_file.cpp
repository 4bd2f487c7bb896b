#include "pictures/picture_file.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <string_view>

#include "pictures/picture_check.h"
#include "pictures/picture_resource.h"

namespace barsmith {
namespace {

constexpr wchar_t kBlanks[] = L" \t";

// The number after a location's comma, blanks around it allowed.
std::optional<int> IconNumber(std::wstring_view text) {
    const size_t first = text.find_first_not_of(kBlanks);
    if (first == std::wstring_view::npos) return std::nullopt;
    text = text.substr(first, text.find_last_not_of(kBlanks) + 1 - first);
    const bool negative = text.front() == L'-';
    if (negative) text.remove_prefix(1);
    if (text.empty() || text.size() > 10 || !std::ranges::all_of(text, [](wchar_t c) { return c >= L'0' && c <= L'9'; })) {
        return std::nullopt;
    }
    long long value = 0;
    for (const wchar_t digit : text) value = value * 10 + (digit - L'0');
    value = negative ? -value : value;
    if (value < INT_MIN || value > INT_MAX) return std::nullopt;
    return static_cast<int>(value);
}

// A file on disk: a pipe or a device could block the reads.
UniqueFile OpenPictureFile(const std::wstring& path) {
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file && GetFileType(file.get()) != FILE_TYPE_DISK) file.reset();
    return file;
}

// The whole file, read once: what is checked is what gets decoded, even if the
// file changes meanwhile. Nothing for a file larger than a preview needs.
std::optional<CheckedPicture> ReadPictureFile(HANDLE file) {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size) || size.QuadPart > static_cast<LONGLONG>(kMaxPictureFileBytes)) return std::nullopt;
    std::optional<std::vector<uint8_t>> bytes = ReadFileAt(file, 0, static_cast<size_t>(size.QuadPart));
    return bytes ? CheckedPictureFile(std::move(*bytes)) : std::nullopt;
}

std::optional<CheckedPicture> ReadPicture(const std::wstring& location) {
    const IconLocation where = ParseIconLocation(location);
    const UniqueFile file = where.path.empty() ? UniqueFile() : OpenPictureFile(where.path);
    if (!file) return std::nullopt;
    // A program holds no picture file: only its icon groups are read, never the whole of it.
    if (IsProgramFile(file.get())) return where.resource ? ReadProgramIcon(file.get(), *where.resource) : std::nullopt;
    // An icon or bitmap file is a single picture, its index 0.
    if (where.resource.value_or(0) != 0) return std::nullopt;
    return ReadPictureFile(file.get());
}

// Tries the images from the one that shows best at `size`: the decoder refuses
// some that pass the checks, and the next one is still a picture.
UniqueIcon IconFromImages(const CheckedPicture& picture, int size) {
    constexpr DWORD kIconFormat = 0x00030000;  // the format of every icon and cursor image
    for (const IconImage& image : IconImagesByPreference(picture.images, size)) {
        // The decoder takes a writable pointer to the image's bytes: give it a copy.
        const auto first = picture.bytes.begin() + static_cast<std::ptrdiff_t>(image.offset);
        std::vector<uint8_t> bytes(first, first + static_cast<std::ptrdiff_t>(image.length));
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

UniqueIcon IconFromBitmap(const CheckedPicture& picture, int size) {
    const CheckedBitmap& bitmap = *picture.bitmap;
    const WindowDC screen(nullptr);
    const UniqueBitmap color(CreateCompatibleBitmap(screen.get(), size, size));
    if (!color || !StretchBitmap(screen.get(), color.get(), size, bitmap, picture.bytes.data() + bitmap.pixelOffset)) {
        return {};
    }
    // An all-zero AND mask keeps every pixel of the bitmap; its rows are whole WORDs.
    const std::vector<uint8_t> zeros(static_cast<size_t>((size + 15) / 16 * 2 * size), 0);
    const UniqueBitmap mask(CreateBitmap(size, size, 1, 1, zeros.data()));
    if (!mask) return {};
    ICONINFO info{TRUE, 0, 0, mask.get(), color.get()};
    return UniqueIcon(CreateIconIndirect(&info));  // copies both bitmaps
}

}  // namespace

IconLocation ParseIconLocation(const std::wstring& text) {
    const size_t comma = text.rfind(L',');
    const std::optional<int> number =
        comma == std::wstring::npos ? std::nullopt : IconNumber(std::wstring_view(text).substr(comma + 1));
    if (!number) return {text, std::nullopt};
    const size_t pathEnd = comma == 0 ? std::wstring::npos : text.find_last_not_of(kBlanks, comma - 1);
    return {text.substr(0, pathEnd == std::wstring::npos ? 0 : pathEnd + 1), number};
}

UniqueIcon LoadPictureIcon(const std::wstring& location, int size) {
    if (size < 1 || size > kMaxBitmapSide) return {};
    const std::optional<CheckedPicture> picture = ReadPicture(location);
    if (!picture) return {};
    return picture->bitmap ? IconFromBitmap(*picture, size) : IconFromImages(*picture, size);
}

std::optional<std::vector<int>> PictureImageSides(const std::wstring& location) {
    const std::optional<CheckedPicture> picture = ReadPicture(location);
    if (!picture) return std::nullopt;
    if (picture->bitmap) {
        const BITMAPINFOHEADER& header = picture->bitmap->header()->bmiHeader;
        return std::vector{std::max<int>(header.biWidth, std::abs(header.biHeight))};
    }
    std::vector<int> sides;
    for (const IconImage& image : picture->images) sides.push_back(std::max(image.width, image.height));
    return sides;
}

std::optional<ImageForSize> PictureImageFor(const std::wstring& location, int size) {
    const std::optional<CheckedPicture> picture = ReadPicture(location);
    if (!picture) return std::nullopt;
    if (picture->bitmap) {
        const BITMAPINFOHEADER& header = picture->bitmap->header()->bmiHeader;
        const int height = std::abs(header.biHeight);
        return ImageForSize{header.biWidth == size && height == size, std::max<int>(header.biWidth, height)};
    }
    const std::vector<IconImage> images = IconImagesByPreference(picture->images, size);
    if (images.empty()) return std::nullopt;
    const IconImage& best = images.front();
    return ImageForSize{best.width == size && best.height == size, std::max(best.width, best.height)};
}

}  // namespace barsmith
