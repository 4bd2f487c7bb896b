#include "platform/twips.h"

#include "platform/handles.h"

namespace barsmith {

Dpi ScreenDpi() {
    const WindowDC screen(nullptr);
    if (!screen.get()) return {};
    return Dpi{GetDeviceCaps(screen.get(), LOGPIXELSX), GetDeviceCaps(screen.get(), LOGPIXELSY)};
}

namespace {

// A call of user32 that only newer systems have; the program still runs on
// those that lack it, so it is looked up instead of imported.
template <typename Fn>
Fn* NewerUser32Call(const char* name) {
    const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return reinterpret_cast<Fn*>(reinterpret_cast<void (*)()>(user32 ? GetProcAddress(user32, name) : nullptr));
}

}  // namespace

Dpi WindowDpi(HWND window) {
    const auto forWindow = NewerUser32Call<UINT WINAPI(HWND)>("GetDpiForWindow");
    const int dpi = forWindow ? static_cast<int>(forWindow(window)) : 0;
    return dpi > 0 ? Dpi{dpi, dpi} : ScreenDpi();
}

bool MessageFontFor(const Dpi& dpi, LOGFONTW& font) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    const auto forDpi = NewerUser32Call<BOOL WINAPI(UINT, UINT, void*, UINT, UINT)>("SystemParametersInfoForDpi");
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
