#include "platform/twips.h"

#include "platform/handles.h"

namespace barsmith {

Dpi ScreenDpi() {
    const WindowDC screen(nullptr);
    if (!screen.get()) return {};
    return Dpi{GetDeviceCaps(screen.get(), LOGPIXELSX), GetDeviceCaps(screen.get(), LOGPIXELSY)};
}

}  // namespace barsmith
