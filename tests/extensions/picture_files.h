#pragma once
// Real picture files written by the tests themselves: a one-colour icon file
// and a one-colour bitmap file, in the formats the system reads.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "model/guid.h"

namespace barsmith::testing {

// A file in the temporary folder, deleted again with the object.
class TempFile {
public:
    TempFile(const std::wstring& extension, const std::vector<uint8_t>& bytes)
        : path_((std::filesystem::temp_directory_path() / (L"barsmith-" + CreateGUID() + extension)).wstring()) {
        std::ofstream out(std::filesystem::path(path_), std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile() { DeleteFileW(path_.c_str()); }
    const std::wstring& path() const { return path_; }

private:
    std::wstring path_;
};

template <typename T>
void Append(std::vector<uint8_t>& bytes, const T& value) {
    const size_t at = bytes.size();
    bytes.resize(at + sizeof value);
    std::memcpy(bytes.data() + at, &value, sizeof value);
}

// 32-bit pixels, bottom-up: what both file kinds hold here.
inline void AppendPixels(std::vector<uint8_t>& bytes, int width, int height, COLORREF color) {
    const uint32_t pixel = 0xFF000000u | (GetRValue(color) << 16) | (GetGValue(color) << 8) | GetBValue(color);
    for (int i = 0; i < width * height; ++i) Append(bytes, pixel);
}

inline BITMAPINFOHEADER PixelHeader(int width, int height) {
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    return header;
}

inline size_t RowBytes(int width, int bitCount) { return static_cast<size_t>((width * bitCount + 31) / 32) * 4; }

// A DIB in BI_RGB: header, a grey colour table up to 8 bits a pixel, rows of a
// diagonal pattern and, for an icon image, the AND rows that the header's
// doubled height counts.
inline std::vector<uint8_t> DibBytes(int width, int height, int bitCount, bool iconImage) {
    BITMAPINFOHEADER header = PixelHeader(width, iconImage ? height * 2 : height);
    header.biBitCount = static_cast<WORD>(bitCount);
    std::vector<uint8_t> bytes;
    Append(bytes, header);
    const int colours = bitCount <= 8 ? 1 << bitCount : 0;
    for (int i = 0; i < colours; ++i) Append(bytes, static_cast<uint32_t>(i * 255 / (colours - 1) * 0x010101u));
    for (size_t i = 0; i < RowBytes(width, bitCount) * height; ++i) bytes.push_back(static_cast<uint8_t>(i * 37 + i / 7));
    if (iconImage) bytes.resize(bytes.size() + RowBytes(width, 1) * height, 0);
    return bytes;
}

// A bitmap file around a DIB whose pixels are its last `pixelBytes` bytes.
inline std::vector<uint8_t> BitmapFile(const std::vector<uint8_t>& dib, size_t pixelBytes) {
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfSize = static_cast<DWORD>(sizeof file + dib.size());
    file.bfOffBits = static_cast<DWORD>(sizeof file + dib.size() - pixelBytes);
    std::vector<uint8_t> bytes(sizeof file + dib.size());
    std::memcpy(bytes.data(), &file, sizeof file);
    std::copy(dib.begin(), dib.end(), bytes.begin() + sizeof file);
    return bytes;
}

inline std::vector<uint8_t> BmpFileBytes(int width, int height, COLORREF color) {
    std::vector<uint8_t> dib;
    Append(dib, PixelHeader(width, height));
    AppendPixels(dib, width, height, color);
    return BitmapFile(dib, static_cast<size_t>(width * height) * 4);
}

inline void AppendBigEndian(std::vector<uint8_t>& bytes, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<uint8_t>(value >> shift));
}

inline void AppendPngChunk(std::vector<uint8_t>& png, const char* type, const std::vector<uint8_t>& data) {
    AppendBigEndian(png, static_cast<uint32_t>(data.size()));
    const size_t typeAt = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = typeAt; i < png.size(); ++i) {
        crc ^= png[i];
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    AppendBigEndian(png, ~crc);
}

// An RGBA PNG of one colour, its image data in one stored (uncompressed) deflate block.
inline std::vector<uint8_t> PngBytes(int side) {
    std::vector<uint8_t> header;
    AppendBigEndian(header, static_cast<uint32_t>(side));
    AppendBigEndian(header, static_cast<uint32_t>(side));
    header.insert(header.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA, deflate, no filter, not interlaced
    std::vector<uint8_t> raw;
    for (int y = 0; y < side; ++y) {
        raw.push_back(0);  // no filter on this row
        for (int x = 0; x < side; ++x) raw.insert(raw.end(), {20, 120, 220, 255});
    }
    std::vector<uint8_t> zlib{0x78, 0x01, 1};  // zlib header, then the last (and only) stored block
    Append(zlib, static_cast<uint16_t>(raw.size()));
    Append(zlib, static_cast<uint16_t>(~raw.size()));
    zlib.insert(zlib.end(), raw.begin(), raw.end());
    uint32_t a = 1, b = 0;
    for (const uint8_t byte : raw) b = (b + (a = (a + byte) % 65521)) % 65521;
    AppendBigEndian(zlib, (b << 16) | a);
    std::vector<uint8_t> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    AppendPngChunk(png, "IHDR", header);
    AppendPngChunk(png, "IDAT", zlib);
    AppendPngChunk(png, "IEND", {});
    return png;
}

// A PNG that passes the checks but no decoder draws: its image data is no zlib stream.
inline std::vector<uint8_t> UndecodablePngBytes(int side) {
    std::vector<uint8_t> png = PngBytes(side);
    png[8 + 25 + 8] = 0;  // after the signature, the header chunk and the data chunk's length and tag
    return png;
}

struct IconImageSeed {
    int width, height, bitCount;
    std::vector<uint8_t> bytes;
};

// An icon (type 1) or cursor (type 2) file holding the images in order.
inline std::vector<uint8_t> IconFile(uint16_t type, const std::vector<IconImageSeed>& images) {
    std::vector<uint8_t> bytes;
    Append(bytes, uint16_t{0});
    Append(bytes, type);
    Append(bytes, static_cast<uint16_t>(images.size()));
    auto offset = static_cast<uint32_t>(6 + 16 * images.size());
    for (const IconImageSeed& image : images) {
        Append(bytes, static_cast<uint8_t>(image.width));  // 256 is written as 0
        Append(bytes, static_cast<uint8_t>(image.height));
        Append(bytes, uint16_t{0});                          // colour count, reserved
        Append(bytes, static_cast<uint16_t>(type == 1 ? 1 : 3));  // planes, or the hot spot of a cursor
        Append(bytes, static_cast<uint16_t>(type == 1 ? image.bitCount : 4));
        Append(bytes, static_cast<uint32_t>(image.bytes.size()));
        Append(bytes, offset);
        offset += static_cast<uint32_t>(image.bytes.size());
    }
    for (const IconImageSeed& image : images) bytes.insert(bytes.end(), image.bytes.begin(), image.bytes.end());
    return bytes;
}

inline IconImageSeed DibImage(int side, int bitCount) { return {side, side, bitCount, DibBytes(side, side, bitCount, true)}; }

// An icon file of one 32-bit image of each side, in that order.
inline std::vector<uint8_t> IcoFileBytes(const std::vector<int>& sides, COLORREF color) {
    std::vector<IconImageSeed> images;
    for (const int side : sides) {
        std::vector<uint8_t> image;
        Append(image, PixelHeader(side, side * 2));  // colour and mask rows together
        AppendPixels(image, side, side, color);
        image.resize(image.size() + RowBytes(side, 1) * side, 0);
        images.push_back({side, side, 32, std::move(image)});
    }
    return IconFile(1, images);
}

inline std::vector<uint8_t> IcoFileBytes(int size, COLORREF color) { return IcoFileBytes(std::vector{size}, color); }

// An 8-bit run-length bitmap: every row two runs of colours, then the end of the picture.
inline std::vector<uint8_t> Rle8BitmapFile(int width, int height) {
    std::vector<uint8_t> pixels;
    for (int y = 0; y < height; ++y) {
        pixels.insert(pixels.end(), {static_cast<uint8_t>(width / 2), static_cast<uint8_t>(y),
                                     static_cast<uint8_t>(width - width / 2), 200, 0, 0});
    }
    pixels.insert(pixels.end(), {0, 1});
    std::vector<uint8_t> dib = DibBytes(width, height, 8, false);
    dib.resize(dib.size() - RowBytes(width, 8) * height);
    auto* header = reinterpret_cast<BITMAPINFOHEADER*>(dib.data());
    header->biCompression = BI_RLE8;
    header->biSizeImage = static_cast<DWORD>(pixels.size());
    dib.insert(dib.end(), pixels.begin(), pixels.end());
    return BitmapFile(dib, pixels.size());
}

// A top-down 32-bit bitmap with a version 5 header and its colour masks.
inline std::vector<uint8_t> V5BitmapFile(int width, int height) {
    BITMAPV5HEADER header{};
    header.bV5Size = sizeof header;
    header.bV5Width = width;
    header.bV5Height = -height;
    header.bV5Planes = 1;
    header.bV5BitCount = 32;
    header.bV5Compression = BI_BITFIELDS;
    header.bV5RedMask = 0x00FF0000;
    header.bV5GreenMask = 0x0000FF00;
    header.bV5BlueMask = 0x000000FF;
    std::vector<uint8_t> dib;
    Append(dib, header);
    AppendPixels(dib, width, height, RGB(10, 100, 200));
    return BitmapFile(dib, static_cast<size_t>(width * height * 4));
}

// A 24-bit bitmap with the oldest (12-byte) header.
inline std::vector<uint8_t> CoreBitmapFile(int width, int height) {
    const BITMAPCOREHEADER header{sizeof(BITMAPCOREHEADER), static_cast<WORD>(width), static_cast<WORD>(height), 1, 24};
    std::vector<uint8_t> dib;
    Append(dib, header);
    dib.resize(dib.size() + RowBytes(width, 24) * height, 0x5A);
    return BitmapFile(dib, RowBytes(width, 24) * height);
}

// A 24-bit bitmap whose header names a table of 300 colours, there in the file:
// above 8 bits a colour table is only a hint for palette displays.
inline std::vector<uint8_t> HintedBitmapFile(int width, int height) {
    std::vector<uint8_t> dib = DibBytes(width, height, 24, false);
    reinterpret_cast<BITMAPINFOHEADER*>(dib.data())->biClrUsed = 300;
    dib.insert(dib.begin() + sizeof(BITMAPINFOHEADER), 300 * sizeof(RGBQUAD), 0x40);
    return BitmapFile(dib, RowBytes(width, 24) * height);
}

// Where the tests look for icons in the DLL made from picture_icons.rc and in
// damaged copies of it: each of its groups by index, two of them by id.
inline constexpr const wchar_t* kProgramIconSuffixes[] = {L",0", L",1", L",2", L",-3", L",-7"};

struct PictureSeed {
    const wchar_t* name;
    std::vector<uint8_t> bytes;
};

// Well-formed pictures of every kind the preview reads.
inline std::vector<PictureSeed> PictureSeeds() {
    // `named`: the colours the header names, 0 for all of the bit count's.
    const auto bitmap = [](int width, int height, int bitCount, uint32_t named = 0) {
        std::vector<uint8_t> dib = DibBytes(width, height, bitCount, false);
        reinterpret_cast<BITMAPINFOHEADER*>(dib.data())->biClrUsed = named;
        return BitmapFile(dib, RowBytes(width, bitCount) * height);
    };
    return {
        {L"icon, 32 bits", IcoFileBytes(32, RGB(200, 30, 30))},
        {L"icon, 16 and 32 pixels, 4 and 8 bits", IconFile(1, {DibImage(16, 4), DibImage(32, 8)})},
        {L"icon, 1 and 24 bits", IconFile(1, {DibImage(48, 1), DibImage(24, 24)})},
        {L"icon, PNG", IconFile(1, {{32, 32, 32, PngBytes(32)}})},
        {L"icon, 256 pixels written as 0", IconFile(1, {DibImage(256, 1), DibImage(16, 4)})},
        {L"cursor", IconFile(2, {DibImage(32, 1)})},
        {L"bitmap, 24 bits", bitmap(40, 20, 24)},
        {L"bitmap, 8 bits, all 256 colours named", bitmap(33, 17, 8, 256)},
        {L"bitmap, 1 bit", bitmap(20, 20, 1)},
        {L"bitmap, 32 bits", BmpFileBytes(48, 16, RGB(30, 200, 30))},
        {L"bitmap, run-length", Rle8BitmapFile(30, 12)},
        {L"bitmap, version 5 top-down", V5BitmapFile(16, 24)},
        {L"bitmap, 12-byte header", CoreBitmapFile(18, 10)},
        {L"bitmap, 24 bits, 300 colours named", HintedBitmapFile(21, 13)},
    };
}

}  // namespace barsmith::testing
