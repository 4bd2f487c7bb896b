#include "infoheader/header_children.h"

#include <algorithm>
#include <cmath>

namespace barsmith {
namespace {

int ToWhole(double v) { return static_cast<int>(RoundHalfEven(v)); }

UniqueBitmap CreateImage(int width, int height) {
    if (width <= 0 || height <= 0) return {};
    // A 32-bit top-down DIB keeps every colour exactly, whatever the screen's depth.
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    return UniqueBitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
}

}  // namespace

// --- The strip -----------------------------------------------------------------

PictureBox::PictureBox(const Dpi& dpi) : dpi_(dpi), dc_(CreateCompatibleDC(nullptr)) {}

PictureBox::~PictureBox() {
    // Our bitmap leaves the DC before either is deleted.
    if (dc_ && originalBitmap_) SelectObject(dc_.get(), originalBitmap_);
}

double PictureBox::ScaleWidth() const {
    return scaleMode_ == ScaleMode::Pixels ? width_ : width_ * TwipsPerPixel(dpi_.x);
}

double PictureBox::ScaleHeight() const {
    return scaleMode_ == ScaleMode::Pixels ? height_ : height_ * TwipsPerPixel(dpi_.y);
}

double PictureBox::ToPixelsX(double v) const {
    return scaleMode_ == ScaleMode::Pixels ? v : v / TwipsPerPixel(dpi_.x);
}

double PictureBox::ToPixelsY(double v) const {
    return scaleMode_ == ScaleMode::Pixels ? v : v / TwipsPerPixel(dpi_.y);
}

void PictureBox::Line(double x1, double y1, double x2, double y2, OleColor colour) {
    if (!bitmap_) return;
    const UniquePen pen(CreatePen(PS_SOLID, 1, TranslateColor(colour)));
    if (!pen) return;
    const SelectObjectGuard selectPen(dc_.get(), pen.get());
    MoveToEx(dc_.get(), ToWhole(ToPixelsX(x1)), ToWhole(ToPixelsY(y1)), nullptr);
    LineTo(dc_.get(), ToWhole(ToPixelsX(x2)), ToWhole(ToPixelsY(y2)));
}

void PictureBox::Move(int widthPixels, int heightPixels) {
    widthPixels = std::max(widthPixels, 0);
    heightPixels = std::max(heightPixels, 0);
    if (widthPixels == width_ && heightPixels == height_) return;
    UniqueBitmap image = CreateImage(widthPixels, heightPixels);
    const UniqueMemoryDC target(CreateCompatibleDC(nullptr));
    if (image && target) {
        const SelectObjectGuard selectImage(target.get(), image.get());
        const UniqueBrush back(CreateSolidBrush(TranslateColor(kBackColor)));
        const RECT all{0, 0, widthPixels, heightPixels};
        FillRect(target.get(), &all, back.get());
        if (bitmap_) BitBlt(target.get(), 0, 0, width_, height_, dc_.get(), 0, 0, SRCCOPY);
    }
    if (image) {
        const HGDIOBJ previous = SelectObject(dc_.get(), image.get());
        if (!originalBitmap_) originalBitmap_ = previous;
    } else if (originalBitmap_) {
        SelectObject(dc_.get(), originalBitmap_);
    }
    bitmap_ = std::move(image);  // the old image, now out of the DC, is freed here
    width_ = bitmap_ ? widthPixels : 0;
    height_ = bitmap_ ? heightPixels : 0;
}

void PictureBox::Cls() {
    if (!bitmap_) return;
    const UniqueBrush back(CreateSolidBrush(TranslateColor(kBackColor)));
    const RECT all{0, 0, width_, height_};
    FillRect(dc_.get(), &all, back.get());
}

COLORREF PictureBox::Pixel(int x, int y) const {
    if (!bitmap_ || x < 0 || y < 0 || x >= width_ || y >= height_) return CLR_INVALID;
    return GetPixel(dc_.get(), x, y);
}

void PictureBox::PaintTo(HDC dc) const {
    if (bitmap_) BitBlt(dc, 0, 0, width_, height_, dc_.get(), 0, 0, SRCCOPY);
}

// --- The icon's image ----------------------------------------------------------

Box ImageControl::Bounds() const {
    if (!picture_) return Box{left_, top_, 0, 0};
    return Box{left_, top_, picture_->Width() * TwipsPerPixel(dpi_.x), picture_->Height() * TwipsPerPixel(dpi_.y)};
}

void ImageControl::Draw(HDC dc) const {
    if (!visible_ || !picture_) return;
    picture_->Draw(dc, ToWhole(left_ / TwipsPerPixel(dpi_.x)), ToWhole(top_ / TwipsPerPixel(dpi_.y)));
}

// --- The caption's label -------------------------------------------------------

namespace {
// "&" is shown as itself: a header caption has no access key.
constexpr UINT kTextFormat = DT_NOPREFIX | DT_NOCLIP;
}  // namespace

CaptionLabel::CaptionLabel(const Dpi& dpi) : dpi_(dpi), font_(std::make_shared<StdFont>(L"MS Sans Serif", 8)) {
    AutoSize();
}

void CaptionLabel::SetCaption(std::wstring caption) {
    caption_ = std::move(caption);
    AutoSize();
}

void CaptionLabel::SetFont(std::shared_ptr<StdFont> font) {
    font_ = std::move(font);
    AutoSize();
}

void CaptionLabel::AutoSize() {
    const UniqueMemoryDC dc(CreateCompatibleDC(nullptr));
    if (!dc) return;
    const HFONT font = font_ ? font_->Handle(dpi_.y) : nullptr;
    const SelectObjectGuard selectFont(dc.get(), font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
    if (caption_.empty()) {
        // An empty label keeps the height of one line.
        TEXTMETRICW tm{};
        GetTextMetricsW(dc.get(), &tm);
        size_ = SIZE{0, tm.tmHeight};
        return;
    }
    RECT r{0, 0, 0, 0};
    DrawTextW(dc.get(), caption_.c_str(), static_cast<int>(caption_.size()), &r, kTextFormat | DT_CALCRECT);
    size_ = SIZE{r.right - r.left, r.bottom - r.top};
}

Box CaptionLabel::Bounds() const {
    return Box{left_, top_, size_.cx * TwipsPerPixel(dpi_.x), size_.cy * TwipsPerPixel(dpi_.y)};
}

void CaptionLabel::Draw(HDC dc) const {
    if (caption_.empty()) return;
    const HFONT font = font_ ? font_->Handle(dpi_.y) : nullptr;
    const SelectObjectGuard selectFont(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, TranslateColor(foreColor_));
    const int left = ToWhole(left_ / TwipsPerPixel(dpi_.x));
    const int top = ToWhole(top_ / TwipsPerPixel(dpi_.y));
    RECT box{left, top, left + size_.cx, top + size_.cy};
    const UINT align = alignment_ == TextAlign::Centre ? DT_CENTER : alignment_ == TextAlign::Right ? DT_RIGHT : DT_LEFT;
    DrawTextW(dc, caption_.c_str(), static_cast<int>(caption_.size()), &box, kTextFormat | align);
}

}  // namespace barsmith
