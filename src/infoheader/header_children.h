#pragma once
// The three children of the header: the strip that carries the blend, the
// icon's image and the caption's label. None is a window of its own:
// the header's window paints all three, so they work (and can be tested)
// whether or not that window exists. Positions are twips from the strip's top
// left corner; the strip fills the header.
#include <windows.h>

#include <memory>
#include <string>

#include "infoheader/gradient_painter.h"
#include "infoheader/header_layout.h"
#include "infoheader/std_objects.h"
#include "platform/handles.h"
#include "platform/twips.h"

namespace barsmith {

// A picture box with a persistent image: an off-screen bitmap that everything
// is drawn into and that the header's window paints from, so uncovering the
// window never calls the painter again.
class PictureBox final : public DrawingSurface {
public:
    explicit PictureBox(const Dpi& dpi);
    ~PictureBox() override;

    void SetAutoRedraw(bool on) override { autoRedraw_ = on; }
    void SetScaleMode(ScaleMode mode) override { scaleMode_ = mode; }
    double ScaleWidth() const override;
    double ScaleHeight() const override;
    void Line(double x1, double y1, double x2, double y2, OleColor colour) override;

    bool AutoRedraw() const { return autoRedraw_; }
    ScaleMode CurrentScaleMode() const { return scaleMode_; }

    // Gives the strip a size in pixels; what was drawn stays where it fits.
    void Move(int widthPixels, int heightPixels);
    void SetDpi(const Dpi& dpi) { dpi_ = dpi; }
    // Outer size in twips; the strip has no border, so it equals the inner size.
    double Width() const { return width_ * TwipsPerPixel(dpi_.x); }
    double Height() const { return height_ * TwipsPerPixel(dpi_.y); }
    int WidthPixels() const { return width_; }
    int HeightPixels() const { return height_; }

    // Clears the image to the background colour, the system's button face.
    void Cls();
    OleColor BackColor() const { return kBackColor; }
    // The colour of one pixel of the image, CLR_INVALID outside it.
    COLORREF Pixel(int x, int y) const;
    void PaintTo(HDC dc) const;

private:
    static constexpr OleColor kBackColor = 0x8000000F;

    double ToPixelsX(double v) const;
    double ToPixelsY(double v) const;

    Dpi dpi_;
    int width_ = 0;
    int height_ = 0;
    bool autoRedraw_ = false;
    ScaleMode scaleMode_ = ScaleMode::Twips;
    UniqueMemoryDC dc_;
    UniqueBitmap bitmap_;
    HGDIOBJ originalBitmap_ = nullptr;
};

// An image control: shows its picture at the picture's own size.
class ImageControl {
public:
    explicit ImageControl(const Dpi& dpi) : dpi_(dpi) {}
    void SetDpi(const Dpi& dpi) { dpi_ = dpi; }

    const std::shared_ptr<StdPicture>& Picture() const { return picture_; }
    void SetPicture(std::shared_ptr<StdPicture> picture) { picture_ = std::move(picture); }
    bool Visible() const { return visible_; }
    void SetVisible(bool on) { visible_ = on; }
    void Move(double left, double top) {
        left_ = left;
        top_ = top;
    }
    Box Bounds() const;
    void Draw(HDC dc) const;

private:
    Dpi dpi_;
    std::shared_ptr<StdPicture> picture_;
    bool visible_ = true;
    double left_ = 0;
    double top_ = 0;
};

// A label with a transparent background that sizes itself to its text: as wide
// as its longest line, as high as all its lines in its font.
class CaptionLabel {
public:
    explicit CaptionLabel(const Dpi& dpi);

    const std::wstring& Caption() const { return caption_; }
    void SetCaption(std::wstring caption);
    const std::shared_ptr<StdFont>& Font() const { return font_; }
    void SetFont(std::shared_ptr<StdFont> font);
    OleColor ForeColor() const { return foreColor_; }
    void SetForeColor(OleColor colour) { foreColor_ = colour; }
    TextAlign Alignment() const { return alignment_; }
    void SetAlignment(TextAlign alignment) { alignment_ = alignment; }
    void Move(double left, double top) {
        left_ = left;
        top_ = top;
    }
    // Measures the text again, for a font object changed by another holder.
    void AutoSize();
    // The font is made for the new DPI and the text measured in it.
    void SetDpi(const Dpi& dpi) {
        dpi_ = dpi;
        AutoSize();
    }
    Box Bounds() const;
    void Draw(HDC dc) const;

private:
    Dpi dpi_;
    std::wstring caption_;
    std::shared_ptr<StdFont> font_;
    OleColor foreColor_ = 0;
    TextAlign alignment_ = TextAlign::Left;
    double left_ = 0;
    double top_ = 0;
    SIZE size_{};  // pixels
};

}  // namespace barsmith
