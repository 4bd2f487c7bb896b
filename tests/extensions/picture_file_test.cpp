#include "extensions/picture_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <type_traits>
#include <vector>

#include "extensions/guid.h"
#include "extensions/picture_files.h"

namespace barsmith {
namespace {

using testing::TempFile;

static_assert(!std::is_copy_constructible_v<UniqueIcon>);

SIZE IconSize(HICON icon) {
    ICONINFO info{};
    if (!GetIconInfo(icon, &info)) return {};
    BITMAP bitmap{};
    GetObjectW(info.hbmMask, sizeof bitmap, &bitmap);
    const LONG height = info.hbmColor ? bitmap.bmHeight : bitmap.bmHeight / 2;
    if (info.hbmColor) DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return {bitmap.bmWidth, height};
}

// Some damaged icons load and only fault when drawn.
void DrawAsThePreviewDoes(HICON icon, int size) {
    const WindowDC screen(nullptr);
    const UniqueMemoryDC dc(CreateCompatibleDC(screen.get()));
    const UniqueBitmap canvas(CreateCompatibleBitmap(screen.get(), size, size));
    const SelectObjectGuard select(dc.get(), canvas.get());
    DrawIconEx(dc.get(), 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
}

TEST(PictureFileTest, LoadsIconAndBitmapFilesAtTheAskedSizeWhateverTheirExtension) {
    const TempFile ico(L".ico", testing::IcoFileBytes(32, RGB(200, 30, 30)));
    const TempFile bmp(L".bmp", testing::BmpFileBytes(48, 16, RGB(30, 200, 30)));
    const TempFile bitmapNamedIcon(L".ico", testing::BmpFileBytes(32, 32, RGB(0, 0, 255)));
    for (const TempFile* file : {&ico, &bmp, &bitmapNamedIcon}) {
        const UniqueIcon icon = LoadPictureIcon(file->path(), 32);
        ASSERT_TRUE(icon) << file->path();
        const SIZE size = IconSize(icon.get());
        EXPECT_EQ(size.cx, 32);
        EXPECT_EQ(size.cy, 32);
    }
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

TEST(PictureFileTest, WhatCannotBeLoadedGivesNoPicture) {
    const TempFile text(L".ico", std::vector<uint8_t>{'n', 'o', ' ', 'i', 'c', 'o', 'n'});
    const TempFile empty(L".bmp", {});
    EXPECT_FALSE(LoadPictureIcon(text.path(), 32));
    EXPECT_FALSE(LoadPictureIcon(empty.path(), 32));
    EXPECT_FALSE(LoadPictureIcon(L"C:\\no such folder\\" + CreateGUID() + L".ico", 32));
    EXPECT_FALSE(LoadPictureIcon(L"", 32));
}

TEST(PictureFileTest, AnImageTheDecoderRefusesGivesWayToTheNextBest) {
    const TempFile undecodable(L".ico", testing::IconFile(1, {{32, 32, 32, testing::UndecodablePngBytes(32)}}));
    const TempFile both(L".ico", testing::IconFile(1, {{32, 32, 32, testing::UndecodablePngBytes(32)},
                                                        testing::DibImage(16, 8)}));
    EXPECT_FALSE(LoadPictureIcon(undecodable.path(), 32));
    const UniqueIcon icon = LoadPictureIcon(both.path(), 32);
    ASSERT_TRUE(icon);
    EXPECT_EQ(IconSize(icon.get()).cx, 32);
}

// Files that crashed the program when they went to the system decoders
// unchecked; the picture fuzz test adds any new one it finds here.
TEST(PictureFileTest, DamagedFilesGiveNoPicture) {
    size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(BARSMITH_DAMAGED_PICTURES)) {
        ++files;
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
