#include "infoheader/InfoHeader.h"

#include <stdexcept>

#include "resource.h"

namespace barsmith {
namespace {

constexpr wchar_t kClassName[] = L"BarsmithInfoHeader";
constexpr OleColor kButtonShadow = 0x80000010;
constexpr OleColor kButtonFace = 0x8000000F;
constexpr OleColor kDarkShadow3D = 0x80000015;
constexpr wchar_t kDefaultFace[] = L"Tahoma";
constexpr wchar_t kDefaultCaption[] = L"Information Header v1.0";
constexpr int kBuiltInIconSize = 16;  // pixels at 96 DPI

}  // namespace

InfoHeader::InfoHeader(MessageBoxSeam& messages, PropertyChanged propertyChanged, const Dpi& dpi)
    : messages_(messages),
      propertyChanged_(std::move(propertyChanged)),
      dpi_(dpi),
      extent_{TwipsToPixels(kDesignWidth, dpi.x), TwipsToPixels(kDesignHeight, dpi.y)},
      strip_(dpi),
      icon_(dpi),
      label_(dpi),
      leftColor_(TranslateColor(kButtonShadow)),
      rightColor_(TranslateColor(kButtonFace)) {
    strip_.Move(extent_.cx, extent_.cy);
    icon_.SetPicture(StdPicture::FromIconResource(IDI_HEADER_ARROW, ScaleFrom96(kBuiltInIconSize, dpi.x)));
    // The default caption: bold 10-point Tahoma in the 3D dark shadow's colour.
    const std::shared_ptr<StdFont>& font = label_.Font();
    font->SetName(kDefaultFace);
    font->SetBold(true);
    font->SetSize(10);
    label_.SetForeColor(TranslateColor(kDarkShadow3D));
    label_.SetCaption(kDefaultCaption);
    Redraw(true);
}

bool InfoHeader::Create(HWND parent, const RECT& at, UINT_PTR id) {
    ClassInfo cls{kClassName};
    cls.background = nullptr;  // the strip covers the whole window
    const int width = at.right - at.left;
    const int height = at.bottom - at.top;
    if (!CreateBound(cls, 0, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, L"", at.left, at.top, width, height, parent, id))
        return false;
    // Creation normally announces the size with WM_SIZE; should it not have,
    // the strip still takes the window's size here.
    RECT client{};
    GetClientRect(Hwnd(), &client);
    if (client.right != extent_.cx || client.bottom != extent_.cy) {
        extent_ = SIZE{client.right, client.bottom};
        OnResize();
    }
    return true;
}

void InfoHeader::Resize(int widthPixels, int heightPixels) {
    if (Hwnd()) {
        // The window's WM_SIZE runs OnResize.
        SetWindowPos(Hwnd(), nullptr, 0, 0, widthPixels, heightPixels, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        return;
    }
    extent_ = SIZE{widthPixels, heightPixels};
    OnResize();
}

void InfoHeader::SetDpi(const Dpi& dpi) {
    dpi_ = dpi;
    strip_.SetDpi(dpi);
    icon_.SetDpi(dpi);
    label_.SetDpi(dpi);
    Redraw(false);
}

void InfoHeader::OnResize() {
    strip_.Move(extent_.cx, extent_.cy);
    Redraw(true);
}

void InfoHeader::ReadProperties(const PropertyBag& bag) {
    gradientStyle_ = ToInt32(bag.ReadProperty(L"GradientStyle", std::int32_t{0}));
    leftColor_ = static_cast<OleColor>(
        ToInt32(bag.ReadProperty(L"LeftColor", static_cast<std::int32_t>(TranslateColor(kButtonShadow)))));
    rightColor_ = static_cast<OleColor>(
        ToInt32(bag.ReadProperty(L"RightColor", static_cast<std::int32_t>(TranslateColor(kButtonFace)))));
    maxFill_ = ToInt16(bag.ReadProperty(L"MaxFill", maxFill_));
    label_.SetForeColor(static_cast<OleColor>(
        ToInt32(bag.ReadProperty(L"ForeColor", static_cast<std::int32_t>(TranslateColor(kDarkShadow3D))))));
    // Only the face is stored; the font keeps its size and weight.
    label_.Font()->SetName(ToText(bag.ReadProperty(L"FontName", std::wstring(kDefaultFace))));
    // Stored as displayed: a multi-line caption already holds its CR LF pairs.
    label_.SetCaption(ToText(bag.ReadProperty(L"Caption", std::wstring(kDefaultCaption))));
    multiLine_ = ToBoolean(bag.ReadProperty(L"MultiLine", false));
    alignment_ = ToInt32(bag.ReadProperty(L"Alignment", std::int32_t{0}));
    hasIcon_ = ToBoolean(bag.ReadProperty(L"HasIcon", true));
    icon_.SetPicture(ToPicture(bag.ReadProperty(L"Picture", icon_.Picture())));
    Redraw(true);
}

void InfoHeader::WriteProperties(PropertyBag& bag) const {
    bag.WriteProperty(L"GradientStyle", gradientStyle_);
    bag.WriteProperty(L"LeftColor", static_cast<std::int32_t>(leftColor_));
    bag.WriteProperty(L"RightColor", static_cast<std::int32_t>(rightColor_));
    bag.WriteProperty(L"MaxFill", maxFill_);
    bag.WriteProperty(L"FontName", label_.Font()->Name());
    bag.WriteProperty(L"ForeColor", static_cast<std::int32_t>(label_.ForeColor()));
    bag.WriteProperty(L"Caption", label_.Caption());
    bag.WriteProperty(L"MultiLine", multiLine_);
    bag.WriteProperty(L"Alignment", alignment_);
    bag.WriteProperty(L"HasIcon", hasIcon_);
    bag.WriteProperty(L"Picture", icon_.Picture());
}

// --- Properties ----------------------------------------------------------------

void InfoHeader::SetGradientStyle(std::int32_t style) {
    gradientStyle_ = style;
    Notify(L"GradientStyle");
    Redraw(true);
}

void InfoHeader::SetMaxFill(std::int16_t percent) {
    maxFill_ = percent > 100 ? std::int16_t{100} : percent;
    Notify(L"MaxFill");
    Redraw(true);
}

void InfoHeader::SetLeftColor(OleColor colour) {
    leftColor_ = TranslateColor(colour);
    Notify(L"LeftColor");
    Redraw(true);
}

void InfoHeader::SetRightColor(OleColor colour) {
    rightColor_ = TranslateColor(colour);
    Notify(L"RightColor");
    Redraw(true);
}

void InfoHeader::SetFontName(std::shared_ptr<StdFont> font) {
    // The caption always has a font to measure and paint with.
    if (!font) throw std::invalid_argument("FontName needs a font object");
    label_.SetFont(std::move(font));
    Notify(L"FontName");
    Redraw(false);
}

void InfoHeader::SetForeColor(OleColor colour) {
    label_.SetForeColor(colour);
    Notify(L"ForeColor");
    Redraw(false);
}

void InfoHeader::SetCaption(const std::wstring& caption) {
    label_.SetCaption(multiLine_ ? DoMultiLining(caption) : caption);
    Notify(L"Caption");
    Redraw(false);
}

void InfoHeader::SetAlignment(std::int32_t alignment) {
    if (!hasIcon_ && alignment == 3) {
        const HWND owner = Hwnd() ? GetAncestor(Hwnd(), GA_ROOT) : nullptr;
        messages_.Show(owner, L"Cannot set alignment because 'HasIcon' is false", kAppTitle, MB_OK);
        return;
    }
    alignment_ = alignment;
    Notify(L"Alignment");
    Redraw(false);
}

void InfoHeader::SetMultiLine(bool on) {
    multiLine_ = on;
    const std::wstring shown = label_.Caption();
    label_.SetCaption(on ? DoMultiLining(shown) : RemoveCRLF(shown));
    Notify(L"MultiLine");
    Redraw(false);
}

void InfoHeader::SetHasIcon(bool on) {
    if (!on && alignment_ == 3) {
        // A caption under an icon that goes away moves to the left first, while
        // the icon is still shown (so the Alignment guard lets it through).
        SetAlignment(0);
        alignment_ = 0;
    }
    hasIcon_ = on;
    Notify(L"HasIcon");
    Redraw(false);
}

void InfoHeader::SetPicture(std::shared_ptr<StdPicture> picture) {
    icon_.SetPicture(std::move(picture));
    Notify(L"Picture");
    Redraw(false);
}

void InfoHeader::Notify(const wchar_t* property) {
    if (propertyChanged_) propertyChanged_(property);
}

// --- Drawing -------------------------------------------------------------------

void InfoHeader::Redraw(bool repaintBlend) {
    if (repaintBlend) {
        strip_.Cls();
        DrawGradient(strip_, leftColor_, rightColor_, maxFill_, gradientStyle_);
    }
    // The font object is shared: another holder may have changed it since the
    // label last measured its text.
    label_.AutoSize();
    const StripMeasures strip{strip_.Width(),       strip_.Height(),           strip_.ScaleWidth(),
                              strip_.ScaleHeight(), TwipsPerPixel(dpi_.x), TwipsPerPixel(dpi_.y)};
    ChildPlacement children{icon_.Visible(), icon_.Bounds(), label_.Bounds(), label_.Alignment()};
    PlaceIconAndCaption(strip, PlacementOptions{hasIcon_, multiLine_, alignment_}, children);
    icon_.SetVisible(children.iconVisible);
    icon_.Move(children.icon.left, children.icon.top);
    label_.Move(children.caption.left, children.caption.top);
    label_.SetAlignment(children.captionAlign);
    if (Hwnd()) InvalidateRect(Hwnd(), nullptr, FALSE);
}

void InfoHeader::Paint() {
    PAINTSTRUCT ps;
    const HDC dc = BeginPaint(Hwnd(), &ps);
    RECT client{};
    GetClientRect(Hwnd(), &client);
    // Composed off screen and shown at once, so the caption never flickers.
    const UniqueMemoryDC buffer(CreateCompatibleDC(dc));
    const UniqueBitmap image(CreateCompatibleBitmap(dc, client.right, client.bottom));
    if (buffer && image) {
        const SelectObjectGuard selectImage(buffer.get(), image.get());
        FillRect(buffer.get(), &client, GetSysColorBrush(COLOR_BTNFACE));
        strip_.PaintTo(buffer.get());
        icon_.Draw(buffer.get());
        label_.Draw(buffer.get());
        BitBlt(dc, 0, 0, client.right, client.bottom, buffer.get(), 0, 0, SRCCOPY);
    } else {
        strip_.PaintTo(dc);
        icon_.Draw(dc);
        label_.Draw(dc);
    }
    EndPaint(Hwnd(), &ps);
}

LRESULT InfoHeader::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_SIZE: {
        const SIZE size{LOWORD(lParam), HIWORD(lParam)};
        if (size.cx != extent_.cx || size.cy != extent_.cy) {
            extent_ = size;
            OnResize();
        }
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;  // the painting covers every pixel
    case WM_PAINT:
        Paint();
        return 0;
    default:
        return Window::HandleMessage(msg, wParam, lParam);
    }
}

}  // namespace barsmith
