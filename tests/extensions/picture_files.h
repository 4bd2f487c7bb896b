#pragma once
// Real picture files written by the tests themselves: a one-colour icon file
// and a one-colour bitmap file, in the formats the system reads.
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "extensions/guid.h"

namespace barsmith::testing {

// A file in the temporary folder, deleted again with the object.
class TempFile {
public:
    TempFile(const std::wstring& extension, const std::vector<uint8_t>& bytes) {
        wchar_t folder[MAX_PATH]{};
        GetTempPathW(MAX_PATH, folder);
        path_ = std::wstring(folder) + L"barsmith-" + CreateGUID() + extension;
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

inline std::vector<uint8_t> BmpFileBytes(int width, int height, COLORREF color) {
    std::vector<uint8_t> bytes;
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    file.bfSize = file.bfOffBits + static_cast<DWORD>(width * height * 4);
    Append(bytes, file);
    Append(bytes, PixelHeader(width, height));
    AppendPixels(bytes, width, height, color);
    return bytes;
}

inline std::vector<uint8_t> IcoFileBytes(int size, COLORREF color) {
    const int maskRow = ((size + 31) / 32) * 4;
    const auto imageBytes = static_cast<DWORD>(sizeof(BITMAPINFOHEADER) + size * size * 4 + maskRow * size);
    std::vector<uint8_t> bytes;
    Append(bytes, uint16_t{0});  // reserved
    Append(bytes, uint16_t{1});  // an icon
    Append(bytes, uint16_t{1});  // one image
    Append(bytes, static_cast<uint8_t>(size));
    Append(bytes, static_cast<uint8_t>(size));
    Append(bytes, uint8_t{0});   // no palette
    Append(bytes, uint8_t{0});
    Append(bytes, uint16_t{1});  // planes
    Append(bytes, uint16_t{32});
    Append(bytes, imageBytes);
    Append(bytes, static_cast<uint32_t>(6 + 16));  // the image follows the one directory entry
    Append(bytes, PixelHeader(size, size * 2));    // colour and mask rows together
    AppendPixels(bytes, size, size, color);
    bytes.resize(bytes.size() + static_cast<size_t>(maskRow * size), 0);
    return bytes;
}

}  // namespace barsmith::testing
