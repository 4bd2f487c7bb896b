#include "infoheader/header_layout.h"

#include "infoheader/gradient_painter.h"

namespace barsmith {
namespace {

constexpr double kEdgeMargin = 4;  // pixels
constexpr double kIconGap = 7;     // pixels
constexpr double kStackGap = 2;    // pixels

void PlaceWithIcon(const StripMeasures& strip, const PlacementOptions& options, ChildPlacement& c) {
    c.iconVisible = true;
    if (!options.multiLine) {
        c.caption.top = Half(strip.height - c.caption.height);
        c.icon.left = kEdgeMargin * strip.px;
        c.icon.top = Half(strip.height - c.icon.height);
    } else if (c.icon.height > c.caption.height) {
        // The icon's left edge stays where the last single-line placement put it.
        c.icon.top = Half(strip.height - c.icon.height);
        c.caption.top = c.icon.top;
    } else {
        c.caption.top = Half(strip.height - c.caption.height);
        c.icon.top = c.caption.top;
    }

    const double iconRight = c.icon.left + c.icon.width;
    switch (options.alignment) {
    case 0:
        c.caption.left = iconRight + kIconGap * strip.px;
        c.captionAlign = TextAlign::Left;
        break;
    case 1:
        c.captionAlign = TextAlign::Centre;
        c.caption.left = iconRight + Half(strip.width - iconRight - c.caption.width);
        break;
    case 2:
        c.caption.left = strip.innerWidth - c.caption.width - kEdgeMargin * strip.px;
        c.captionAlign = TextAlign::Right;
        break;
    case 3: {
        c.captionAlign = TextAlign::Left;
        const double block = RoundHalfEven(c.caption.height + c.icon.height + kStackGap * strip.py);
        c.icon.top = Half(strip.innerHeight - block);
        c.caption.top = c.icon.top + c.icon.height + kStackGap * strip.py;
        c.caption.left = c.icon.left;
        break;
    }
    default:
        break;
    }
}

void PlaceWithoutIcon(const StripMeasures& strip, const PlacementOptions& options, ChildPlacement& c) {
    c.iconVisible = false;
    c.caption.top = Half(strip.height - c.caption.height);
    switch (options.alignment) {
    case 0:
        c.caption.left = kEdgeMargin * strip.px;
        c.captionAlign = TextAlign::Left;
        break;
    case 1:
        c.caption.left = Half(strip.innerWidth - c.caption.width);
        c.captionAlign = TextAlign::Centre;
        break;
    case 2:
        c.caption.left = strip.innerWidth - c.caption.width - kEdgeMargin * strip.px;
        c.captionAlign = TextAlign::Right;
        break;
    default:
        // Caption under an icon that is not shown: the caption stays where it was.
        break;
    }
}

}  // namespace

long Half(double x) { return static_cast<long>(RoundHalfEven(x)) / 2; }

void PlaceIconAndCaption(const StripMeasures& strip, const PlacementOptions& options, ChildPlacement& children) {
    if (options.hasIcon) {
        PlaceWithIcon(strip, options, children);
    } else {
        PlaceWithoutIcon(strip, options, children);
    }
}

std::wstring DoMultiLining(const std::wstring& text) {
    if (text.find(L'|') == std::wstring::npos) return text;
    std::wstring result;
    result.reserve(text.size() + 16);
    for (const wchar_t ch : text) {
        if (ch == L'|') {
            result += L"\r\n";
        } else {
            result += ch;
        }
    }
    return result;
}

std::wstring RemoveCRLF(const std::wstring& text) {
    std::wstring result;
    result.reserve(text.size());
    for (const wchar_t ch : text) {
        if (ch == L'\n') continue;
        result += ch == L'\r' ? L'|' : ch;
    }
    return result;
}

}  // namespace barsmith
