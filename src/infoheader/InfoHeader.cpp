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
      picGrad_(dpi),
      imgIco_(dpi),
      lblCaption_(dpi) {
    picGrad_.Move(extent_.cx, extent_.cy);
    imgIco_.SetPicture(StdPicture::FromIconResource(IDI_HEADER_ARROW, ScaleFrom96(kBuiltInIconSize, dpi.x)));
    UserControl_Initialize();
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
        UserControl_Resize();
    }
    return true;
}

void InfoHeader::Resize(int widthPixels, int heightPixels) {
    if (Hwnd()) {
        // The window's WM_SIZE runs UserControl_Resize.
        SetWindowPos(Hwnd(), nullptr, 0, 0, widthPixels, heightPixels, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        return;
    }
    extent_ = SIZE{widthPixels, heightPixels};
    UserControl_Resize();
}

void InfoHeader::SetDpi(const Dpi& dpi) {
    dpi_ = dpi;
    picGrad_.SetDpi(dpi);
    imgIco_.SetDpi(dpi);
    lblCaption_.SetDpi(dpi);
    reDraw(false);
}

void InfoHeader::UserControl_Initialize() {
    gradientStyle_ = 0;
    leftColor_ = TranslateColor(kButtonShadow);
    rightColor_ = TranslateColor(kButtonFace);
    maxFill_ = 100;
    const std::shared_ptr<StdFont>& font = lblCaption_.Font();
    font->SetName(kDefaultFace);
    lblCaption_.SetForeColor(TranslateColor(kDarkShadow3D));
    font->SetBold(true);
    font->SetSize(10);
    lblCaption_.SetCaption(kDefaultCaption);
    alignment_ = 0;
    multiLine_ = false;
    hasIcon_ = true;
    reDraw(true);
}

void InfoHeader::UserControl_Resize() {
    picGrad_.Move(extent_.cx, extent_.cy);
    reDraw(true);
}

void InfoHeader::UserControl_ReadProperties(const PropertyBag& bag) {
    gradientStyle_ = ToInt32(bag.ReadProperty(L"GradientStyle", std::int32_t{0}));
    leftColor_ = static_cast<OleColor>(
        ToInt32(bag.ReadProperty(L"LeftColor", static_cast<std::int32_t>(TranslateColor(kButtonShadow)))));
    rightColor_ = static_cast<OleColor>(
        ToInt32(bag.ReadProperty(L"RightColor", static_cast<std::int32_t>(TranslateColor(kButtonFace)))));
    maxFill_ = ToInt16(bag.ReadProperty(L"MaxFill", maxFill_));
    lblCaption_.SetForeColor(static_cast<OleColor>(
        ToInt32(bag.ReadProperty(L"ForeColor", static_cast<std::int32_t>(TranslateColor(kDarkShadow3D))))));
    // Only the face is stored; the font keeps its size and weight.
    lblCaption_.Font()->SetName(ToText(bag.ReadProperty(L"FontName", std::wstring(kDefaultFace))));
    // Stored as displayed: a multi-line caption already holds its CR LF pairs.
    lblCaption_.SetCaption(ToText(bag.ReadProperty(L"Caption", std::wstring(kDefaultCaption))));
    multiLine_ = ToBoolean(bag.ReadProperty(L"MultiLine", false));
    alignment_ = ToInt32(bag.ReadProperty(L"Alignment", std::int32_t{0}));
    hasIcon_ = ToBoolean(bag.ReadProperty(L"HasIcon", true));
    imgIco_.SetPicture(ToPicture(bag.ReadProperty(L"Picture", imgIco_.Picture())));
    reDraw(true);
}

void InfoHeader::UserControl_WriteProperties(PropertyBag& bag) const {
    bag.WriteProperty(L"GradientStyle", gradientStyle_);
    bag.WriteProperty(L"LeftColor", static_cast<std::int32_t>(leftColor_));
    bag.WriteProperty(L"RightColor", static_cast<std::int32_t>(rightColor_));
    bag.WriteProperty(L"MaxFill", maxFill_);
    bag.WriteProperty(L"FontName", lblCaption_.Font()->Name());
    bag.WriteProperty(L"ForeColor", static_cast<std::int32_t>(lblCaption_.ForeColor()));
    bag.WriteProperty(L"Caption", lblCaption_.Caption());
    bag.WriteProperty(L"MultiLine", multiLine_);
    bag.WriteProperty(L"Alignment", alignment_);
    bag.WriteProperty(L"HasIcon", hasIcon_);
    bag.WriteProperty(L"Picture", imgIco_.Picture());
}

// --- Properties ----------------------------------------------------------------

void InfoHeader::SetGradientStyle(std::int32_t style) {
    gradientStyle_ = style;
    Notify(L"GradientStyle");
    reDraw(true);
}

void InfoHeader::SetMaxFill(std::int16_t percent) {
    maxFill_ = percent > 100 ? std::int16_t{100} : percent;
    Notify(L"MaxFill");
    reDraw(true);
}

void InfoHeader::SetLeftColor(OleColor colour) {
    leftColor_ = TranslateColor(colour);
    Notify(L"LeftColor");
    reDraw(true);
}

void InfoHeader::SetRightColor(OleColor colour) {
    rightColor_ = TranslateColor(colour);
    Notify(L"RightColor");
    reDraw(true);
}

void InfoHeader::SetFontName(std::shared_ptr<StdFont> font) {
    // The caption always has a font to measure and paint with.
    if (!font) throw std::invalid_argument("FontName needs a font object");
    lblCaption_.SetFont(std::move(font));
    Notify(L"FontName");
    reDraw(false);
}

void InfoHeader::SetForeColor(OleColor colour) {
    lblCaption_.SetForeColor(colour);
    Notify(L"ForeColor");
    reDraw(false);
}

void InfoHeader::SetCaption(const std::wstring& caption) {
    lblCaption_.SetCaption(multiLine_ ? DoMultiLining(caption) : caption);
    Notify(L"Caption");
    reDraw(false);
}

void InfoHeader::SetAlignment(std::int32_t alignment) {
    if (!hasIcon_ && alignment == 3) {
        const HWND owner = Hwnd() ? GetAncestor(Hwnd(), GA_ROOT) : nullptr;
        messages_.Show(owner, L"Cannot set alignment because 'HasIcon' is false", kAppTitle, MB_OK);
        return;
    }
    alignment_ = alignment;
    Notify(L"Alignment");
    reDraw(false);
}

void InfoHeader::SetMultiLine(bool on) {
    multiLine_ = on;
    const std::wstring shown = lblCaption_.Caption();
    lblCaption_.SetCaption(on ? DoMultiLining(shown) : RemoveCRLF(shown));
    Notify(L"MultiLine");
    reDraw(false);
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
    reDraw(false);
}

void InfoHeader::SetPicture(std::shared_ptr<StdPicture> picture) {
    imgIco_.SetPicture(std::move(picture));
    Notify(L"Picture");
    reDraw(false);
}

void InfoHeader::Notify(const wchar_t* property) {
    if (propertyChanged_) propertyChanged_(property);
}

// --- Drawing -------------------------------------------------------------------

void InfoHeader::reDraw(bool reDrawGrad) {
    if (reDrawGrad) {
        picGrad_.Cls();
        DrawGradient(picGrad_, leftColor_, rightColor_, maxFill_, gradientStyle_);
    }
    // The font object is shared: another holder may have changed it since the
    // label last measured its text.
    lblCaption_.AutoSize();
    const StripMeasures strip{picGrad_.Width(),       picGrad_.Height(),           picGrad_.ScaleWidth(),
                              picGrad_.ScaleHeight(), TwipsPerPixel(dpi_.x), TwipsPerPixel(dpi_.y)};
    ChildPlacement children{imgIco_.Visible(), imgIco_.Bounds(), lblCaption_.Bounds(), lblCaption_.Alignment()};
    PlaceIconAndCaption(strip, PlacementOptions{hasIcon_, multiLine_, alignment_}, children);
    imgIco_.SetVisible(children.iconVisible);
    imgIco_.Move(children.icon.left, children.icon.top);
    lblCaption_.Move(children.caption.left, children.caption.top);
    lblCaption_.SetAlignment(children.captionAlign);
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
        picGrad_.PaintTo(buffer.get());
        imgIco_.Draw(buffer.get());
        lblCaption_.Draw(buffer.get());
        BitBlt(dc, 0, 0, client.right, client.bottom, buffer.get(), 0, 0, SRCCOPY);
    } else {
        picGrad_.PaintTo(dc);
        imgIco_.Draw(dc);
        lblCaption_.Draw(dc);
    }
    EndPaint(Hwnd(), &ps);
}

LRESULT InfoHeader::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_SIZE: {
        const SIZE size{LOWORD(lParam), HIWORD(lParam)};
        if (size.cx != extent_.cx || size.cy != extent_.cy) {
            extent_ = size;
            UserControl_Resize();
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
