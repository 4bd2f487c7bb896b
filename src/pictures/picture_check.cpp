#include "pictures/picture_check.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>
#include <tuple>

#include "pictures/picture_bytes.h"

namespace barsmith {
namespace {

constexpr size_t kFileHeaderBytes = 14;      // BITMAPFILEHEADER
constexpr size_t kInfoHeaderBytes = 40;      // BITMAPINFOHEADER
constexpr size_t kCoreHeaderBytes = 12;      // BITMAPCOREHEADER
constexpr size_t kDirectoryEntryBytes = 16;  // one image of an icon or cursor file
constexpr size_t kGroupEntryBytes = 14;      // one image of an icon group resource
constexpr uint16_t kBitmapTag = 0x4D42;      // "BM"
constexpr uint8_t kPngSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// Bytes of one row of pixels: rows are padded to whole DWORDs.
size_t RowBytes(int width, int bitCount) { return (static_cast<size_t>(width) * bitCount + 31) / 32 * 4; }

bool KnownBitCount(int bitCount) {
    return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 || bitCount == 24 || bitCount == 32;
}

// Entries in the colour table. Up to 8 bits a pixel: every colour of the bit
// count unless the header names fewer. Above 8 bits the table is only a hint
// for palette displays, of any length the file has room for; no file the
// preview reads has room for more than the bound here, which keeps the table's
// size from overflowing.
std::optional<size_t> ColourCount(int bitCount, uint32_t used) {
    if (bitCount > 8) return used <= kMaxPictureFileBytes / sizeof(RGBQUAD) ? std::optional<size_t>(used) : std::nullopt;
    const size_t most = size_t{1} << bitCount;
    if (used > most) return std::nullopt;
    return used ? used : most;
}

// An icon image in DIB form: its header counts the colour rows and the AND
// mask rows together, so the header's height is twice the picture's.
std::optional<IconImage> CheckedDibImage(const Bytes& image) {
    if (!image.Has(0, kInfoHeaderBytes) || image.U32(0) != kInfoHeaderBytes) return std::nullopt;
    const int32_t width = image.I32(4), rows = image.I32(8);
    const int bitCount = image.U16(14);
    if (width < 1 || width > kMaxIconSide || rows < 2 || rows > 2 * kMaxIconSide || rows % 2) return std::nullopt;
    if (image.U16(12) != 1 || !KnownBitCount(bitCount) || image.U32(16) != BI_RGB) return std::nullopt;
    const std::optional<size_t> colours = ColourCount(bitCount, image.U32(32));
    const int height = rows / 2;
    if (!colours) return std::nullopt;
    const size_t needed =
        kInfoHeaderBytes + *colours * sizeof(RGBQUAD) + (RowBytes(width, bitCount) + RowBytes(width, 1)) * height;
    if (!image.Has(0, needed)) return std::nullopt;
    return IconImage{0, image.size(), width, height, bitCount};
}

bool KnownPngDepth(uint8_t colourType, uint8_t depth) {
    switch (colourType) {
    case 0: return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;  // grey
    case 3: return depth == 1 || depth == 2 || depth == 4 || depth == 8;                 // palette
    case 2: case 4: case 6: return depth == 8 || depth == 16;  // RGB, grey + alpha, RGBA
    default: return false;
    }
}

// A PNG icon image: the signature, a sound IHDR first, then chunks that each
// lie inside the image, with image data, up to IEND.
std::optional<IconImage> CheckedPngImage(const Bytes& image) {
    constexpr size_t kHeaderAt = sizeof kPngSignature;
    if (!image.Has(kHeaderAt, 8 + 13 + 4) || image.BigEndianU32(kHeaderAt) != 13 || !image.HasTag(kHeaderAt + 4, "IHDR")) {
        return std::nullopt;
    }
    const uint32_t width = image.BigEndianU32(kHeaderAt + 8), height = image.BigEndianU32(kHeaderAt + 12);
    const size_t fields = kHeaderAt + 16;  // depth, colour type, compression, filter, interlace
    if (width < 1 || width > kMaxIconSide || height < 1 || height > kMaxIconSide ||
        !KnownPngDepth(image.U8(fields + 1), image.U8(fields)) || image.U8(fields + 2) != 0 ||
        image.U8(fields + 3) != 0 || image.U8(fields + 4) > 1) {
        return std::nullopt;
    }
    bool hasData = false;
    for (size_t at = kHeaderAt; image.Has(at, 12);) {
        const size_t length = image.BigEndianU32(at);  // length, tag, data, CRC
        if (length > 0x7FFFFFFF || !image.Has(at, 12 + length)) return std::nullopt;
        hasData = hasData || image.HasTag(at + 4, "IDAT");
        if (image.HasTag(at + 4, "IEND")) {
            if (!hasData) return std::nullopt;
            return IconImage{0, image.size(), static_cast<int>(width), static_cast<int>(height), 32};
        }
        at += 12 + length;
    }
    return std::nullopt;
}

// A directory entry agrees with its image: the same size (0 stands for 256)
// and, in an icon file, one plane and the same bit count where it names one.
// A cursor file's entry holds the hot spot there instead.
bool MatchesEntry(const Bytes& file, size_t entry, uint16_t type, const IconImage& image, bool png) {
    const auto side = [&](size_t at) { return file.U8(at) ? int{file.U8(at)} : 256; };
    if (side(entry) != image.width || side(entry + 1) != image.height) return false;
    if (type == 2) return true;
    const uint16_t planes = file.U16(entry + 4), bitCount = file.U16(entry + 6);
    return planes <= 1 && (png || bitCount == 0 || bitCount == image.bitCount);
}

// An image of an icon or cursor directory, checked on its own and against its entry.
std::optional<IconImage> CheckedEntryImage(const Bytes& directory, size_t entry, uint16_t type, const Bytes& image) {
    const bool png = image.StartsWith(kPngSignature);
    const std::optional<IconImage> checked = png ? CheckedPngImage(image) : CheckedDibImage(image);
    if (!checked || !MatchesEntry(directory, entry, type, *checked, png)) return std::nullopt;
    return checked;
}

struct BitmapFields {
    size_t headerBytes;
    int32_t width;
    int32_t height;  // negative for rows stored top-down
    int bitCount;
    uint32_t compression;
    uint32_t imageBytes;
    uint32_t coloursUsed;
};

bool KnownHeaderSize(size_t bytes) {
    return bytes == kCoreHeaderBytes || bytes == kInfoHeaderBytes || bytes == sizeof(BITMAPV4HEADER) ||
           bytes == sizeof(BITMAPV5HEADER);
}

std::optional<BitmapFields> ReadBitmapFields(const Bytes& file) {
    const size_t headerBytes = file.U32(kFileHeaderBytes);
    if (!KnownHeaderSize(headerBytes) || !file.Has(kFileHeaderBytes, headerBytes)) return std::nullopt;
    const size_t at = kFileHeaderBytes;
    if (headerBytes == kCoreHeaderBytes) {
        const int bitCount = file.U16(at + 10);
        if (file.U16(at + 8) != 1 || bitCount == 16 || bitCount == 32) return std::nullopt;
        return BitmapFields{headerBytes, file.U16(at + 4), file.U16(at + 6), bitCount, BI_RGB, 0, 0};
    }
    if (file.U16(at + 12) != 1) return std::nullopt;
    return BitmapFields{headerBytes,       file.I32(at + 4),  file.I32(at + 8),  file.U16(at + 14),
                        file.U32(at + 16), file.U32(at + 20), file.U32(at + 32)};
}

// Compressions the preview reads, each with the bit count it is defined for;
// run-length pictures are always stored bottom-up.
bool KnownCoding(const BitmapFields& fields) {
    switch (fields.compression) {
    case BI_RGB: return KnownBitCount(fields.bitCount);
    case BI_RLE8: return fields.bitCount == 8 && fields.height > 0;
    case BI_RLE4: return fields.bitCount == 4 && fields.height > 0;
    case BI_BITFIELDS: return fields.bitCount == 16 || fields.bitCount == 32;
    default: return false;
    }
}

bool PreviewableSize(const BitmapFields& fields) {
    return fields.width >= 1 && fields.width <= kMaxBitmapSide && fields.height != 0 &&
           fields.height >= -kMaxBitmapSide && fields.height <= kMaxBitmapSide;
}

// Each colour mask a single run of bits inside the pixel, none overlapping.
bool SoundMasks(const std::array<uint32_t, 3>& masks, int bitCount) {
    uint32_t seen = 0;
    for (const uint32_t mask : masks) {
        const uint32_t run = mask ? mask >> std::countr_zero(mask) : 0;
        if (!mask || (bitCount == 16 && mask > 0xFFFF) || (seen & mask) || (run & (run + 1))) return false;
        seen |= mask;
    }
    return true;
}

template <typename T>
void Append(std::vector<uint8_t>& bytes, const T& value) {
    const auto* first = reinterpret_cast<const uint8_t*>(&value);
    bytes.insert(bytes.end(), first, first + sizeof value);
}

// The BITMAPINFO the decoder gets: built here from checked values only, so no
// field the checks did not look at reaches it.
std::vector<uint8_t> RebuiltInfo(const BitmapFields& fields, const std::array<uint32_t, 3>* masks, const Bytes& table,
                                 size_t colours, size_t pixelLength) {
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = fields.width;
    header.biHeight = fields.height;
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(fields.bitCount);
    header.biCompression = fields.compression;
    header.biSizeImage = static_cast<DWORD>(pixelLength);
    const size_t used = fields.bitCount <= 8 ? colours : 0;
    header.biClrUsed = static_cast<DWORD>(used);
    std::vector<uint8_t> info;
    Append(info, header);
    if (masks) Append(info, *masks);
    const size_t entryBytes = fields.headerBytes == kCoreHeaderBytes ? sizeof(RGBTRIPLE) : sizeof(RGBQUAD);
    for (size_t i = 0; i < used; ++i) {
        const size_t at = i * entryBytes;
        Append(info, RGBQUAD{table.U8(at), table.U8(at + 1), table.U8(at + 2), 0});
    }
    return info;
}

}  // namespace

std::vector<IconImage> CheckedIconImages(std::span<const uint8_t> file) {
    const Bytes bytes(file);
    const uint16_t type = bytes.U16(2), count = bytes.U16(4);
    if (!bytes.Has(0, 6) || bytes.U16(0) != 0 || (type != 1 && type != 2) || count == 0) return {};
    const size_t directoryEnd = 6 + kDirectoryEntryBytes * count;
    if (!bytes.Has(0, directoryEnd)) return {};
    std::vector<IconImage> images;
    for (size_t entry = 6; entry < directoryEnd; entry += kDirectoryEntryBytes) {
        const size_t length = bytes.U32(entry + 8), offset = bytes.U32(entry + 12);
        if (offset < directoryEnd || !bytes.Has(offset, length)) return {};
        std::optional<IconImage> image = CheckedEntryImage(bytes, entry, type, bytes.Part(offset, length));
        if (!image) return {};
        image->offset = offset;
        images.push_back(*image);
    }
    return images;
}

std::vector<uint16_t> CheckedIconGroup(std::span<const uint8_t> group) {
    const Bytes bytes(group);
    const uint16_t count = bytes.U16(4);
    if (!bytes.Has(0, 6 + kGroupEntryBytes * count) || bytes.U16(0) != 0 || bytes.U16(2) != 1 || count == 0) return {};
    std::vector<uint16_t> ids;
    for (size_t entry = 6; ids.size() < count; entry += kGroupEntryBytes) ids.push_back(bytes.U16(entry + 12));
    return ids;
}

std::optional<IconImage> CheckedGroupImage(std::span<const uint8_t> group, size_t index, std::span<const uint8_t> image) {
    return CheckedEntryImage(Bytes(group), 6 + kGroupEntryBytes * index, 1, Bytes(image));
}

std::vector<IconImage> IconImagesByPreference(std::vector<IconImage> images, int size) {
    const auto rank = [size](const IconImage& image) {
        const int side = std::max(image.width, image.height);
        return std::tuple(std::abs(side - size), side < size, -image.bitCount);
    };
    std::ranges::stable_sort(images, {}, rank);
    return images;
}

std::optional<CheckedBitmap> CheckedBitmapFile(std::span<const uint8_t> file) {
    const Bytes bytes(file);
    if (!bytes.Has(0, kFileHeaderBytes) || bytes.U16(0) != kBitmapTag || bytes.U32(2) > file.size()) return std::nullopt;
    const std::optional<BitmapFields> fields = ReadBitmapFields(bytes);
    if (!fields || !KnownCoding(*fields) || !PreviewableSize(*fields)) return std::nullopt;

    // BI_BITFIELDS masks end a version 4 or 5 header, or follow a 40-byte one.
    const size_t masksAt = kFileHeaderBytes + kInfoHeaderBytes;
    const bool bitfields = fields->compression == BI_BITFIELDS;
    const std::array<uint32_t, 3> masks{bytes.U32(masksAt), bytes.U32(masksAt + 4), bytes.U32(masksAt + 8)};
    if (bitfields && (!bytes.Has(masksAt, sizeof masks) || !SoundMasks(masks, fields->bitCount))) return std::nullopt;
    const size_t tableAt =
        kFileHeaderBytes + fields->headerBytes + (bitfields && fields->headerBytes == kInfoHeaderBytes ? sizeof masks : 0);

    const bool core = fields->headerBytes == kCoreHeaderBytes;
    const std::optional<size_t> colours = ColourCount(fields->bitCount, fields->coloursUsed);
    if (!colours) return std::nullopt;
    const size_t tableBytes = *colours * (core ? sizeof(RGBTRIPLE) : sizeof(RGBQUAD));
    const size_t pixelOffset = bytes.U32(10);
    if (!bytes.Has(tableAt, tableBytes) || pixelOffset < tableAt + tableBytes) return std::nullopt;

    // Run-length data is as long as the header says; the decoder stops there.
    const bool runLength = fields->compression == BI_RLE8 || fields->compression == BI_RLE4;
    const size_t pixelLength =
        runLength ? fields->imageBytes : RowBytes(fields->width, fields->bitCount) * std::abs(fields->height);
    if (pixelLength < 2 || !bytes.Has(pixelOffset, pixelLength)) return std::nullopt;
    return CheckedBitmap{RebuiltInfo(*fields, bitfields ? &masks : nullptr, bytes.Part(tableAt, tableBytes), *colours,
                                     runLength ? pixelLength : 0),
                         pixelOffset, pixelLength};
}

std::optional<CheckedPicture> CheckedPictureFile(std::vector<uint8_t> file) {
    std::vector<IconImage> images = CheckedIconImages(file);
    std::optional<CheckedBitmap> bitmap = images.empty() ? CheckedBitmapFile(file) : std::nullopt;
    if (images.empty() && !bitmap) return std::nullopt;
    return CheckedPicture{std::move(file), std::move(images), std::move(bitmap)};
}

}  // namespace barsmith
