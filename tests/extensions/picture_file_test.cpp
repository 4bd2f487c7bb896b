#include "pictures/picture_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "model/guid.h"
#include "extensions/picture_files.h"

namespace barsmith {
namespace {

using testing::TempFile;

static_assert(!std::is_copy_constructible_v<UniqueIcon>);

SIZE IconSize(HICON icon) {
    ICONINFO info{};
    if (!GetIconInfo(icon, &info)) return {};
    const UniqueBitmap mask(info.hbmMask), colour(info.hbmColor);
    BITMAP bitmap{};
    GetObjectW(mask.get(), sizeof bitmap, &bitmap);
    return {bitmap.bmWidth, colour ? bitmap.bmHeight : bitmap.bmHeight / 2};  // a mask alone holds both masks
}

// Some damaged icons load and only fault when drawn.
void DrawAsThePreviewDoes(HICON icon, int size) {
    const WindowDC screen(nullptr);
    const UniqueMemoryDC dc(CreateCompatibleDC(screen.get()));
    const UniqueBitmap canvas(CreateCompatibleBitmap(screen.get(), size, size));
    const SelectObjectGuard select(dc.get(), canvas.get());
    DrawIconEx(dc.get(), 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
}

TEST(PictureFileTest, EveryKindOfPictureLoadsAtEverySizeThePreviewAsks) {
    for (const testing::PictureSeed& seed : testing::PictureSeeds()) {
        const TempFile file(L".pic", seed.bytes);
        for (const int size : {16, 32, 48}) {
            const UniqueIcon icon = LoadPictureIcon(file.path(), size);
            ASSERT_TRUE(icon) << seed.name << " at " << size;
            const SIZE loaded = IconSize(icon.get());
            EXPECT_EQ(loaded.cx, size) << seed.name;
            EXPECT_EQ(loaded.cy, size) << seed.name;
        }
    }
}

TEST(PictureFileTest, AnImageTheDecoderRefusesGivesWayToTheNextBest) {
    const TempFile undecodable(L".ico", testing::IconFile(1, {{32, 32, 32, testing::UndecodablePngBytes(32)}}));
    const TempFile both(L".ico", testing::IconFile(1, {{32, 32, 32, testing::UndecodablePngBytes(32)},
                                                        testing::DibImage(16, 8)}));
    EXPECT_FALSE(LoadPictureIcon(undecodable.path(), 32));
    EXPECT_TRUE(LoadPictureIcon(both.path(), 32));
}

// The groups of picture_icons.rc: index 0 is ARROW (16 pixels), 1 is id 3 (16
// and 32), 2 is id 7 (32).
TEST(PictureFileTest, IconLocationsNameAFilesPictureOrAnIconInsideAProgram) {
    const std::wstring dll = BARSMITH_PICTURE_ICONS, dll32 = BARSMITH_PICTURE_ICONS_32;
    const TempFile withComma(L",b.ico", testing::IcoFileBytes(32, RGB(1, 2, 3)));
    const TempFile ico(L".ico", testing::IconFile(1, {testing::DibImage(256, 1), testing::DibImage(16, 4)}));
    const TempFile text(L".ico", {'n', 'o', ' ', 'i', 'c', 'o', 'n'}), empty(L".bmp", {});
    const std::pair<std::wstring, std::optional<std::vector<int>>> cases[] = {
        {dll + L",0", {{16}}},
        {dll + L",1", {{16, 32}}},
        {dll + L" \t,\t2 ", {{32}}},
        {dll + L",-7", {{32}}},
        {dll + L", -3", {{16, 32}}},
        {dll32 + L",1", {{16, 32}}},
        {dll32 + L",-7", {{32}}},
        {dll + L",3", {}},   // past the last group
        {dll + L",-4", {}},  // no group of that id
        {dll + L",4294967296", {}},  // no number an int holds: part of the file's name
        {dll, {}},  // a program is no picture file
        {withComma.path(), {{32}}},
        {ico.path(), {{256, 16}}},
        {ico.path() + L",0", {{256, 16}}},
        {ico.path() + L",1", {}},
        {text.path(), {}},
        {empty.path(), {}},
        {L"C:\\no such folder\\" + CreateGUID() + L".ico", {}},
        {L"", {}},
    };
    for (const auto& [location, sides] : cases) {
        EXPECT_EQ(PictureImageSides(location), sides) << location;
        EXPECT_EQ(static_cast<bool>(LoadPictureIcon(location, 20)), sides.has_value()) << location;
    }
}

// One field of the test DLL changed (`width` bytes written at `at` from a
// structure the test finds itself), or with width 0 the file cut `at` bytes short.
enum class From { Start, Signature, Section, Root, Group, GroupData, Image };
struct ProgramDamage {
    const char* what;
    From from;
    size_t at;
    uint32_t value;
    size_t width;
};

size_t Find(const std::vector<uint8_t>& bytes, std::initializer_list<uint8_t> pattern) {
    return static_cast<size_t>(std::search(bytes.begin(), bytes.end(), pattern.begin(), pattern.end()) - bytes.begin());
}

size_t Where(const std::vector<uint8_t>& dll, From from) {
    uint32_t root = 0;
    switch (from) {
    case From::Start: return 0;
    case From::Signature: return Find(dll, {'P', 'E', 0, 0});
    case From::Section: return Find(dll, {'.', 'r', 's', 'r', 'c', 0, 0, 0});
    case From::Root: std::memcpy(&root, dll.data() + Where(dll, From::Section) + 20, 4); return root;
    case From::Group: return Find(dll, {0, 0, 1, 0, 2, 0, 16, 16});  // group 3's header and first entry
    case From::GroupData: return Find(dll, {34, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}) - 4;  // its data entry
    case From::Image: return Find(dll, {40, 0, 0, 0, 16, 0, 0, 0, 32, 0, 0, 0});    // its first image
    }
    return 0;
}

// The data directories of the DLL's PE32+ header, from its signature.
constexpr size_t kDirectories =
    sizeof(DWORD) + sizeof(IMAGE_FILE_HEADER) + offsetof(IMAGE_OPTIONAL_HEADER64, DataDirectory);
constexpr size_t kResources = kDirectories + IMAGE_DIRECTORY_ENTRY_RESOURCE * sizeof(IMAGE_DATA_DIRECTORY);

const ProgramDamage kProgramDamages[] = {
    {"program header's offset", From::Start, 0x3C, 0x7FFFFFF0, 4},
    {"signature", From::Signature, 0, 'X', 1},
    {"more sections than the loader takes", From::Signature, 6, 97, 2},
    {"optional header's kind", From::Signature, 24, 0x107, 2},
    {"no resource data directory", From::Signature, kDirectories - 4, 2, 4},  // their count
    {"resource directory in no section", From::Signature, kResources, 0x7FFFFFF0, 4},
    {"resource directory longer than its section", From::Signature, kResources + 4, 0x100000, 4},
    {"section past the end of the file", From::Section, 20, 0x7FFFFFF0, 4},
    {"section empty", From::Section, 16, 0, 4},
    {"root entries past the directory", From::Root, 14, 0xFFFF, 2},
    {"type entry leading out of the directory", From::Root, 20, 0x8000FFF0, 4},
    {"no icon type", From::Root, 16, 15, 4},
    {"group of cursors", From::Group, 2, 2, 2},
    {"more images than group entries", From::Group, 4, 3, 2},
    {"group entry's width", From::Group, 6, 20, 1},
    {"group names a missing image", From::Group, 18, 999, 2},
    {"group at an address in no section", From::GroupData, 0, 0x7FFFFFF0, 4},
    {"group longer than its section", From::GroupData, 4, 0x100000, 4},
    {"image's bit count", From::Image, 14, 3, 2},
    {"file cut short", From::Start, 0x400, 0, 0},
};

std::vector<uint8_t> TestDll() {
    std::ifstream in(std::filesystem::path(BARSMITH_PICTURE_ICONS), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST(PictureFileTest, AnythingDoubtfulInAProgramOnTheWayToItsIconGivesNoPicture) {
    const std::vector<uint8_t> dll = TestDll();
    for (const ProgramDamage& damage : kProgramDamages) {
        std::vector<uint8_t> bytes = dll;
        const size_t at = Where(dll, damage.from) + damage.at;
        ASSERT_LE(at + damage.width, bytes.size()) << damage.what;
        if (damage.width) {
            std::memcpy(bytes.data() + at, &damage.value, damage.width);
        } else {
            bytes.resize(bytes.size() - damage.at);
        }
        const TempFile file(L".dll", bytes);
        EXPECT_FALSE(PictureImageSides(file.path() + L",1")) << damage.what;
        EXPECT_FALSE(LoadPictureIcon(file.path() + L",1", 32)) << damage.what;
    }
}

// A resource's data may end where its section ends, its entry where the
// resource directory ends; one byte more lies outside them.
TEST(PictureFileTest, ResourceDataAndEntriesEndAtTheirSectionAndDirectoryAtTheMost) {
    const std::vector<uint8_t> dll = TestDll();
    const auto u32 = [&](size_t at) {
        uint32_t value = 0;
        std::memcpy(&value, dll.data() + at, sizeof value);
        return value;
    };
    const size_t section = Where(dll, From::Section), entry = Where(dll, From::GroupData);
    // The section's address, plus the smaller of its loaded and stored sizes.
    const uint32_t toSectionEnd = u32(section + 12) + std::min(u32(section + 8), u32(section + 16)) - u32(entry);
    const auto toEntryEnd = static_cast<uint32_t>(entry + sizeof(IMAGE_RESOURCE_DATA_ENTRY) - Where(dll, From::Root));
    const size_t directoryLength = Where(dll, From::Signature) + kResources + 4;
    const struct {
        size_t at;
        uint32_t value;
        bool loads;
    } rows[] = {{entry + 4, toSectionEnd, true},
                {entry + 4, toSectionEnd + 1, false},
                {directoryLength, toEntryEnd, true},
                {directoryLength, toEntryEnd - 1, false}};
    for (const auto& row : rows) {
        std::vector<uint8_t> bytes = dll;
        std::memcpy(bytes.data() + row.at, &row.value, sizeof row.value);
        const TempFile file(L".dll", bytes);
        EXPECT_EQ(PictureImageSides(file.path() + L",1").has_value(), row.loads) << row.at << ": " << row.value;
    }
}

// The bytes after the last entry of the icon groups' node made a copy of its
// first entry: a group past the last, as the node counts them, is none all the same.
TEST(PictureFileTest, AGroupPastTheLastIsNoneWhateverFollowsItsNode) {
    std::vector<uint8_t> dll = TestDll();
    const auto u16 = [&](size_t at) { return static_cast<uint32_t>(dll[at] | dll[at + 1] << 8); };
    const auto u32 = [&](size_t at) { return u16(at) | u16(at + 2) << 16; };
    const size_t root = Where(dll, From::Root);
    size_t groups = 0;
    for (size_t entry = root + 16; entry < root + 16 + 8 * (u16(root + 12) + u16(root + 14)); entry += 8) {
        if (u32(entry) == 14) groups = root + (u32(entry + 4) & 0x7FFFFFFF);  // RT_GROUP_ICON
    }
    ASSERT_NE(groups, 0u);
    const size_t count = u16(groups + 12) + u16(groups + 14);
    std::copy_n(dll.begin() + static_cast<std::ptrdiff_t>(groups + 16), 8,
                dll.begin() + static_cast<std::ptrdiff_t>(groups + 16 + 8 * count));
    const TempFile file(L".dll", dll);
    EXPECT_TRUE(PictureImageSides(file.path() + L",0")) << "the rest of the file is sound";
    EXPECT_FALSE(PictureImageSides(file.path() + L"," + std::to_wstring(count)));
}

// Files that crashed the program when they went to the system decoders
// unchecked; the picture fuzz test adds any new one it finds here. A damaged
// DLL may keep sound groups beside the one it crashed on: it is looked at
// wherever the fuzz test looks, and what still loads is drawn.
TEST(PictureFileTest, DamagedFilesGiveNoPicture) {
    size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(BARSMITH_DAMAGED_PICTURES)) {
        ++files;
        if (entry.path().extension() == L".dll") {
            for (const wchar_t* suffix : testing::kProgramIconSuffixes) {
                const UniqueIcon icon = LoadPictureIcon(entry.path().wstring() + suffix, 32);
                if (icon) DrawAsThePreviewDoes(icon.get(), 32);
            }
            continue;
        }
        for (const int size : {16, 32}) {
            const UniqueIcon icon = LoadPictureIcon(entry.path().wstring(), size);
            EXPECT_FALSE(icon) << entry.path();
            if (icon) DrawAsThePreviewDoes(icon.get(), size);
        }
    }
    EXPECT_GE(files, 2u);
}

}  // namespace
}  // namespace barsmith
