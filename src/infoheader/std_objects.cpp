#include "infoheader/std_objects.h"

#include <cmath>

namespace barsmith {

StdFont::StdFont(std::wstring name, double sizePoints, bool bold, bool italic)
    : name_(std::move(name)), size_(sizePoints), bold_(bold), italic_(italic) {}

void StdFont::SetName(std::wstring name) {
    name_ = std::move(name);
    Changed();
}

void StdFont::SetSize(double points) {
    size_ = points;
    Changed();
}

void StdFont::SetBold(bool on) {
    bold_ = on;
    Changed();
}

void StdFont::SetItalic(bool on) {
    italic_ = on;
    Changed();
}

void StdFont::SetUnderline(bool on) {
    underline_ = on;
    Changed();
}

HFONT StdFont::Handle(int dpiY) const {
    if (handle_ && handleDpi_ == dpiY) return handle_.get();
    LOGFONTW lf{};
    lf.lfHeight = -static_cast<LONG>(std::lround(size_ * dpiY / 72.0));
    lf.lfWeight = bold_ ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = italic_;
    lf.lfUnderline = underline_;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfQuality = DEFAULT_QUALITY;
    // LOGFONTW holds at most 31 characters of a face name and its terminator.
    name_.copy(lf.lfFaceName, LF_FACESIZE - 1);
    handle_.reset(CreateFontIndirectW(&lf));
    handleDpi_ = dpiY;
    return handle_.get();
}

StdPicture::StdPicture(UniqueIcon icon) : icon_(std::move(icon)) {
    ICONINFO info{};
    if (!icon_ || !GetIconInfo(icon_.get(), &info)) return;
    // GetIconInfo hands out copies of the icon's bitmaps: they are ours to free.
    const UniqueBitmap mask(info.hbmMask);
    const UniqueBitmap colour(info.hbmColor);
    BITMAP bm{};
    if (colour && GetObjectW(colour.get(), sizeof bm, &bm)) {
        width_ = bm.bmWidth;
        height_ = bm.bmHeight;
    } else if (mask && GetObjectW(mask.get(), sizeof bm, &bm)) {
        // A monochrome icon keeps its AND and XOR masks one above the other.
        width_ = bm.bmWidth;
        height_ = bm.bmHeight / 2;
    }
}

std::shared_ptr<StdPicture> StdPicture::FromIconResource(int id, int size) {
    UniqueIcon icon(static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
    if (!icon) return nullptr;
    return std::make_shared<StdPicture>(std::move(icon));
}

void StdPicture::Draw(HDC dc, int x, int y) const {
    if (icon_) DrawIconEx(dc, x, y, icon_.get(), width_, height_, 0, nullptr, DI_NORMAL);
}

}  // namespace barsmith
