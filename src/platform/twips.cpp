#include "platform/twips.h"

#include "platform/handles.h"

namespace barsmith {

Dpi ScreenDpi() {
    const WindowDC screen(nullptr);
    if (!screen.get()) return {};
    return Dpi{GetDeviceCaps(screen.get(), LOGPIXELSX), GetDeviceCaps(screen.get(), LOGPIXELSY)};
}

bool MessageFontFor(const Dpi& dpi, LOGFONTW& font) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    // Windows 10 (1607) and later tell the font for any DPI; the program still
    // runs on systems that only know their own DPI, so the call is looked up.
    using ForDpi = BOOL WINAPI(UINT, UINT, void*, UINT, UINT);
    const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    const auto forDpi = reinterpret_cast<ForDpi*>(
        reinterpret_cast<void (*)()>(user32 ? GetProcAddress(user32, "SystemParametersInfoForDpi") : nullptr));
    if (forDpi && forDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, static_cast<UINT>(dpi.y))) {
        font = metrics.lfMessageFont;
        return true;
    }
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return false;
    font = metrics.lfMessageFont;
    font.lfHeight = MulDiv(font.lfHeight, dpi.y, ScreenDpi().y);
    return true;
}

}  // namespace barsmith
