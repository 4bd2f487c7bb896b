#include "extensions/picture_file.h"

namespace barsmith {
namespace {

UniqueIcon IconFromBitmapFile(const std::wstring& path, int size) {
    // Given a size, LoadImage stretches the bitmap to it.
    const UniqueBitmap color(
        static_cast<HBITMAP>(LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, size, size, LR_LOADFROMFILE)));
    if (!color) return {};
    // An all-zero AND mask keeps every pixel of the bitmap.
    const UniqueBitmap mask(CreateBitmap(size, size, 1, 1, nullptr));
    if (!mask) return {};
    ICONINFO info{TRUE, 0, 0, mask.get(), color.get()};
    return UniqueIcon(CreateIconIndirect(&info));  // copies both bitmaps
}

}  // namespace

UniqueIcon LoadPictureIcon(const std::wstring& path, int size) {
    if (path.empty()) return {};
    UniqueIcon icon(static_cast<HICON>(LoadImageW(nullptr, path.c_str(), IMAGE_ICON, size, size, LR_LOADFROMFILE)));
    if (icon) return icon;
    return IconFromBitmapFile(path, size);
}

}  // namespace barsmith
