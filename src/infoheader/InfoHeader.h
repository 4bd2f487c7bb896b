#pragma once
// The information header: a strip with a two-colour blend, an optional icon and
// a one- or multi-line caption, which saves and restores its eleven properties
// through its host's property bag.
//
// The control's state and its redraws live in this object and work whether or
// not its window exists; the window (Create) only shows the strip and sends the
// host's resizes.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "infoheader/header_children.h"
#include "infoheader/property_bag.h"
#include "platform/message_box.h"
#include "platform/twips.h"
#include "platform/window.h"

namespace barsmith {

class InfoHeader final : public Window {
public:
    // Told the name of each property that a setter changed ("MaxFill"...), so the
    // host knows that its stored set is out of date.
    using PropertyChanged = std::function<void(const std::wstring& property)>;

    // A new instance: initialised to the defaults and painted at the design
    // size, 4050 x 390 twips, until its host gives it a size.
    explicit InfoHeader(MessageBoxSeam& messages, PropertyChanged propertyChanged = {}, const Dpi& dpi = ScreenDpi());

    // The window, a child of `parent` at a place in pixels. It never takes the focus.
    bool Create(HWND parent, const RECT& at, UINT_PTR id = 0);
    // The host gives the control a size in pixels; the blend is repainted.
    void Resize(int widthPixels, int heightPixels);
    // The window moved to a screen of another DPI: the caption's font is made
    // for it. The host gives the new size and, as a property, a picture to suit.
    void SetDpi(const Dpi& dpi);
    const Dpi& CurrentDpi() const { return dpi_; }

    // Restores every property from the bag, as stored: no clamp, translation or
    // guard. A value that cannot be converted throws PropertyTypeError; the
    // properties restored before it keep their values and nothing is redrawn.
    void ReadProperties(const PropertyBag& bag);
    // Writes all eleven properties, whether or not they hold their defaults.
    void WriteProperties(PropertyBag& bag) const;

    std::int32_t GradientStyle() const { return gradientStyle_; }
    void SetGradientStyle(std::int32_t style);
    // Values above 100 are stored as 100.
    std::int16_t MaxFill() const { return maxFill_; }
    void SetMaxFill(std::int16_t percent);
    // Stored translated to RGB.
    OleColor LeftColor() const { return leftColor_; }
    void SetLeftColor(OleColor colour);
    OleColor RightColor() const { return rightColor_; }
    void SetRightColor(OleColor colour);
    // The caption's font object, shared with the caller.
    std::shared_ptr<StdFont> FontName() const { return label_.Font(); }
    void SetFontName(std::shared_ptr<StdFont> font);
    // Stored as given, system colours untranslated.
    OleColor ForeColor() const { return label_.ForeColor(); }
    void SetForeColor(OleColor colour);
    // As displayed: in multi-line mode with CR LF where the caption had "|".
    std::wstring Caption() const { return label_.Caption(); }
    void SetCaption(const std::wstring& caption);
    // 0 left, 1 centred, 2 right, 3 caption under the icon (only while HasIcon).
    std::int32_t Alignment() const { return alignment_; }
    void SetAlignment(std::int32_t alignment);
    bool MultiLine() const { return multiLine_; }
    void SetMultiLine(bool on);
    // Turning the icon off moves a caption that stood under it to the left.
    bool HasIcon() const { return hasIcon_; }
    void SetHasIcon(bool on);
    std::shared_ptr<StdPicture> Picture() const { return icon_.Picture(); }
    void SetPicture(std::shared_ptr<StdPicture> picture);

    // The children, for the window's painting and for tests: the strip that
    // carries the blend, the icon's image and the caption's label.
    PictureBox& Strip() { return strip_; }
    const PictureBox& Strip() const { return strip_; }
    const ImageControl& Icon() const { return icon_; }
    const CaptionLabel& Label() const { return label_; }

    static constexpr int kDesignWidth = 4050;  // twips
    static constexpr int kDesignHeight = 390;  // twips

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    // The strip takes the control's new inner size and its blend is painted again.
    void OnResize();
    // With `repaintBlend` the strip is cleared and the blend painted again; then
    // the icon and the caption are placed.
    void Redraw(bool repaintBlend);
    void Notify(const wchar_t* property);
    void Paint();

    MessageBoxSeam& messages_;
    PropertyChanged propertyChanged_;
    Dpi dpi_;
    SIZE extent_;  // the control's inner size in pixels

    PictureBox strip_;
    ImageControl icon_;
    CaptionLabel label_;

    std::int32_t alignment_ = 0;
    bool multiLine_ = false;
    bool hasIcon_ = true;
    std::int32_t gradientStyle_ = 0;
    OleColor leftColor_ = 0;
    OleColor rightColor_ = 0;
    std::int16_t maxFill_ = 100;
};

}  // namespace barsmith
