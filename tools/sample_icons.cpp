// Makes the sample icons the program ships from the icons in the source tree:
// every image of each is kept, and the 16x16 and 20x20 images the browser's
// toolbar shows are added where an icon lacks them, made from its smallest
// larger 32-bit image by averaging the pixels each new one covers.
//   sample_icons.exe OUTPUT-FOLDER ICON...
// The build runs it (under Wine when it cross-compiles); it ends with 1 and
// says why on standard error when an icon cannot be read or given a size.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "pictures/picture_bytes.h"
#include "pictures/picture_check.h"

namespace {

using namespace barsmith;

constexpr int kToolbarSides[] = {16, 20};
constexpr size_t kHeaderBytes = 40;  // BITMAPINFOHEADER

struct Image {
    int side;
    int bitCount;
    std::vector<uint8_t> bytes;  // as an icon file holds it: header, colours, mask
};

void Put16(std::vector<uint8_t>& out, unsigned value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

struct Pixels {
    int side = 0;
    std::vector<double> bgra;  // bottom row first, as the bitmap holds them
};

// The colours of a square 32-bit bitmap image without compression; nothing for any other.
std::optional<Pixels> PixelsOf(const Image& image) {
    const Bytes bytes(image.bytes);
    if (image.bitCount != 32 || bytes.U32(0) != kHeaderBytes || bytes.U32(16) != BI_RGB ||
        bytes.I32(4) != image.side || bytes.I32(8) != 2 * image.side)
        return std::nullopt;
    const auto count = static_cast<size_t>(image.side) * static_cast<size_t>(image.side) * 4;
    if (!bytes.Has(kHeaderBytes, count)) return std::nullopt;
    Pixels pixels{image.side, {}};
    for (size_t i = 0; i < count; ++i) pixels.bgra.push_back(bytes.U8(kHeaderBytes + i));
    return pixels;
}

// How much of the source's pixel `from` the new image's pixel `to` covers, in source pixels.
double Overlap(int to, int from, double scale) {
    const double start = std::max(to * scale, static_cast<double>(from));
    const double end = std::min((to + 1) * scale, static_cast<double>(from + 1));
    return std::max(0.0, end - start);
}

// The image at `side` pixels: each pixel the average of those it covers,
// their colours weighed by how opaque they are.
Image Scaled(const Pixels& source, int side) {
    const double scale = static_cast<double>(source.side) / side;
    Image image{side, 32, {}};
    std::vector<uint8_t>& out = image.bytes;
    for (const uint32_t field : {uint32_t{kHeaderBytes}, static_cast<uint32_t>(side), static_cast<uint32_t>(2 * side)})
        Put32(out, field);
    Put16(out, 1);
    Put16(out, 32);
    for (int i = 0; i < 6; ++i) Put32(out, 0);  // BI_RGB, then sizes and colours left to the reader
    std::vector<bool> clear;
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            double sum[4]{};  // blue, green and red times alpha, then alpha
            for (int sy = static_cast<int>(y * scale); sy < source.side && sy < (y + 1) * scale; ++sy) {
                for (int sx = static_cast<int>(x * scale); sx < source.side && sx < (x + 1) * scale; ++sx) {
                    const double weight = Overlap(x, sx, scale) * Overlap(y, sy, scale);
                    const double* pixel = &source.bgra[(static_cast<size_t>(sy) * source.side + sx) * 4];
                    for (int c = 0; c < 3; ++c) sum[c] += pixel[c] * pixel[3] * weight;
                    sum[3] += pixel[3] * weight;
                }
            }
            const double alpha = sum[3] / (scale * scale);
            for (int c = 0; c < 3; ++c) out.push_back(static_cast<uint8_t>(sum[3] > 0 ? sum[c] / sum[3] + 0.5 : 0));
            out.push_back(static_cast<uint8_t>(std::min(255.0, alpha + 0.5)));
            clear.push_back(out.back() == 0);
        }
    }
    // The mask, a bit a pixel, each row filled to whole 32-bit words: set where nothing shows.
    const int rowBytes = (side + 31) / 32 * 4;
    for (int y = 0; y < side; ++y) {
        for (int b = 0; b < rowBytes; ++b) {
            uint8_t bits = 0;
            for (int bit = 0; bit < 8; ++bit) {
                const int x = b * 8 + bit;
                if (x < side && clear[static_cast<size_t>(y * side + x)]) bits |= static_cast<uint8_t>(0x80 >> bit);
            }
            out.push_back(bits);
        }
    }
    return image;
}

std::vector<uint8_t> IconFile(std::vector<Image> images) {
    std::sort(images.begin(), images.end(), [](const Image& a, const Image& b) { return a.side < b.side; });
    std::vector<uint8_t> out;
    Put16(out, 0);
    Put16(out, 1);
    Put16(out, static_cast<unsigned>(images.size()));
    size_t offset = 6 + 16 * images.size();
    for (const Image& image : images) {
        out.push_back(static_cast<uint8_t>(image.side == 256 ? 0 : image.side));
        out.push_back(static_cast<uint8_t>(image.side == 256 ? 0 : image.side));
        out.push_back(static_cast<uint8_t>(image.bitCount < 8 ? 1 << image.bitCount : 0));
        out.push_back(0);
        Put16(out, 1);
        Put16(out, static_cast<unsigned>(image.bitCount));
        Put32(out, static_cast<uint32_t>(image.bytes.size()));
        Put32(out, static_cast<uint32_t>(offset));
        offset += image.bytes.size();
    }
    for (const Image& image : images) out.insert(out.end(), image.bytes.begin(), image.bytes.end());
    return out;
}

// The icon with every toolbar size, or why it cannot have one.
std::vector<uint8_t> WithToolbarSizes(const std::vector<uint8_t>& file, std::string& why) {
    std::vector<Image> images;
    for (const IconImage& found : CheckedIconImages(file)) {
        if (found.width != found.height) continue;  // no square image of its own: left out, as the toolbar leaves it
        images.push_back({found.width, found.bitCount,
                          std::vector<uint8_t>(file.begin() + static_cast<std::ptrdiff_t>(found.offset),
                                               file.begin() + static_cast<std::ptrdiff_t>(found.offset + found.length))});
    }
    if (images.empty()) {
        why = "it is no icon, or a damaged one";
        return {};
    }
    std::vector<Image> made;
    for (const int side : kToolbarSides) {
        if (std::any_of(images.begin(), images.end(), [&](const Image& image) { return image.side == side; })) continue;
        std::optional<Pixels> source;
        for (const Image& image : images) {
            if (image.side > side && (!source || image.side < source->side)) {
                if (std::optional<Pixels> pixels = PixelsOf(image)) source = std::move(pixels);
            }
        }
        if (!source) {
            why = "it has no 32-bit image larger than " + std::to_string(side) + "x" + std::to_string(side);
            return {};
        }
        made.push_back(Scaled(*source, side));
    }
    images.insert(images.end(), made.begin(), made.end());
    return IconFile(std::move(images));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fwprintf(stderr, L"Usage: sample_icons.exe OUTPUT-FOLDER ICON...\n");
        return 2;
    }
    const std::filesystem::path folder(argv[1]);
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    for (int i = 2; i < argc; ++i) {
        const std::filesystem::path path(argv[i]);
        std::ifstream in(path, std::ios::binary);
        const std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), {});
        std::string why;
        const std::vector<uint8_t> icon = WithToolbarSizes(file, why);
        if (icon.empty()) {
            std::fwprintf(stderr, L"%ls: %hs\n", path.c_str(), why.c_str());
            return 1;
        }
        std::ofstream out(folder / path.filename(), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(icon.data()), static_cast<std::streamsize>(icon.size()));
        if (!out.flush()) {
            std::fwprintf(stderr, L"%ls: could not be written\n", (folder / path.filename()).c_str());
            return 1;
        }
    }
    return 0;
}
