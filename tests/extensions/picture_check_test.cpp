#include "pictures/picture_check.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "extensions/picture_files.h"

namespace barsmith {
namespace {

std::vector<uint8_t> SeedBytes(const std::wstring& name) {
    for (testing::PictureSeed& seed : testing::PictureSeeds()) {
        if (seed.name == name) return std::move(seed.bytes);
    }
    ADD_FAILURE() << "no seed " << name;
    return {};
}

bool Refused(std::span<const uint8_t> bytes) { return CheckedIconImages(bytes).empty() && !CheckedBitmapFile(bytes); }

// One field of a well-formed picture changed (`width` bytes written at `at`),
// or, with width 0, the file cut `at` bytes short (an icon file's one image
// with it, as its directory entry tells); refused unless `sound`.
struct Damage {
    const wchar_t* seed;
    const char* what;
    size_t at;
    uint32_t value;
    size_t width;
    bool sound = false;
};

constexpr wchar_t kIcon[] = L"icon, 32 bits";
constexpr wchar_t kPng[] = L"icon, PNG";
constexpr wchar_t kBitmap[] = L"bitmap, 8 bits, all 256 colours named";
constexpr wchar_t kMasks[] = L"bitmap, version 5 top-down";
constexpr wchar_t kRle[] = L"bitmap, run-length";
constexpr wchar_t kHinted[] = L"bitmap, 24 bits, 300 colours named";

const Damage kDamages[] = {
    {kIcon, "reserved word", 0, 1, 2},
    {kIcon, "file type", 2, 3, 2},
    {kIcon, "no images", 4, 0, 2},
    {kIcon, "more images than entries", 4, 2, 2},
    {kIcon, "entry width", 6, 16, 1},
    {kIcon, "entry width 0 (256) over 32 pixels", 6, 0, 1},
    {kIcon, "entry planes", 10, 2, 2},
    {kIcon, "entry planes 0, as many files have", 10, 0, 2, true},
    {kIcon, "entry bit count 0, as many files have", 12, 0, 2, true},
    {kIcon, "entry bit count", 12, 8, 2},
    {kIcon, "image length", 14, 0xFFFFFFFF, 4},
    {kIcon, "image offset past the end", 18, 0x7FFFFFFF, 4},
    {kIcon, "image offset in the directory", 18, 6, 4},
    {kIcon, "header size", 22, 108, 4},
    {kIcon, "huge width", 26, 0x7FFFFFFF, 4},
    {kIcon, "odd height", 30, 65, 4},
    {kIcon, "negative height", 30, 0xFFFFFFC0, 4},
    {kIcon, "planes", 34, 2, 2},
    {kIcon, "bit count", 36, 3, 2},
    {kIcon, "compression", 38, BI_RLE8, 4},
    {kIcon, "colours used", 54, 257, 4},
    {kIcon, "mask cut short", 1, 0, 0},
    {kPng, "signature", 23, 'Q', 1},
    {kPng, "header length", 30, 0x0E000000, 4},
    {kPng, "zero width", 38, 0, 4},
    {kPng, "width over 256", 38, 0x01010000, 4},
    {kPng, "depth for RGBA", 46, 4, 1},
    {kPng, "colour type", 47, 5, 1},
    {kPng, "interlace", 50, 2, 1},
    {kPng, "chunk past the end", 55, 0x7F, 1},
    {kPng, "no image data", 62, 'X', 1},
    {kPng, "cut short", 12, 0, 0},
    {kBitmap, "tag", 1, 'X', 1},
    {kBitmap, "file size", 2, 0x7FFFFFFF, 4},
    {kBitmap, "pixels past the end", 10, 0x7C3600BF, 4},
    {kBitmap, "pixels over the colour table", 10, 54, 4},
    {kBitmap, "header size", 14, 64, 4},
    {kBitmap, "width over the limit", 18, 4097, 4},
    {kBitmap, "width of one pixel", 18, 1, 4, true},
    {kBitmap, "zero height", 22, 0, 4},
    {kBitmap, "most negative height", 22, 0x80000000, 4},
    {kBitmap, "planes", 26, 0, 2},
    {kBitmap, "bit count", 28, 7, 2},
    {kBitmap, "compression", 30, 4, 4},
    {kBitmap, "run-length of 4 bits on 8", 30, BI_RLE4, 4},
    {kBitmap, "colours used", 46, 257, 4},
    {kHinted, "colour hint longer than its room", 46, 301, 4},
    {kHinted, "colour hint past any file", 46, 0xFFFFFFFF, 4},
    {kBitmap, "last row cut short", 1, 0, 0},
    {kMasks, "empty red mask", 54, 0, 4},
    {kMasks, "green mask over red", 58, 0x00FF0000, 4},
    {kMasks, "mask with a gap", 62, 0x0F0F, 4},
    {kMasks, "16 bits with masks of 32", 28, 16, 2},
    {kRle, "run-length data of one byte", 34, 1, 4},
    {kRle, "run-length data past the end", 34, 0xFFFFFFFF, 4},
    {kRle, "run-length top-down", 22, 0xFFFFFFF0, 4},
    {L"bitmap, 12-byte header", "16 bits in the oldest header", 24, 16, 2},
};

TEST(PictureCheckTest, AnyDoubtfulCountSizeOrOffsetRefusesTheWholeFile) {
    for (const Damage& damage : kDamages) {
        std::vector<uint8_t> bytes = SeedBytes(damage.seed);
        if (damage.width) {
            std::memcpy(bytes.data() + damage.at, &damage.value, damage.width);
        } else {
            bytes.resize(bytes.size() - damage.at);
            const uint32_t imageLength = static_cast<uint32_t>(bytes.size() - 22);  // after the one entry
            if (bytes[0] == 0) std::memcpy(bytes.data() + 14, &imageLength, 4);
        }
        EXPECT_EQ(Refused(bytes), !damage.sound) << damage.what;
    }
}

TEST(PictureCheckTest, TheNearestImageIsChosenALargerOneOnATie) {
    const std::vector<uint8_t> bytes = SeedBytes(L"icon, 16 and 32 pixels, 4 and 8 bits");
    const std::vector<IconImage> images = CheckedIconImages(bytes);
    ASSERT_EQ(images.size(), 2u);
    for (const auto& [size, width] : {std::pair{16, 16}, {20, 16}, {24, 32}, {48, 32}}) {
        EXPECT_EQ(IconImagesByPreference(images, size).front().width, width) << size;
    }
}

}  // namespace
}  // namespace barsmith
