#include "extensions/picture_file.h"

#include <gtest/gtest.h>

#include <cstdint>
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

TEST(PictureFileTest, WhatCannotBeLoadedGivesNoPicture) {
    const TempFile text(L".ico", std::vector<uint8_t>{'n', 'o', ' ', 'i', 'c', 'o', 'n'});
    const TempFile empty(L".bmp", {});
    EXPECT_FALSE(LoadPictureIcon(text.path(), 32));
    EXPECT_FALSE(LoadPictureIcon(empty.path(), 32));
    EXPECT_FALSE(LoadPictureIcon(L"C:\\no such folder\\" + CreateGUID() + L".ico", 32));
    EXPECT_FALSE(LoadPictureIcon(L"", 32));
}

}  // namespace
}  // namespace barsmith
