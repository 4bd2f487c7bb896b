#pragma once
#include "infoheader/property_bag.h"
#include "platform/twips.h"

namespace barsmith {

// The stored property set of the main window's header, with its keys
// in lower case as its host keeps them: a white-to-blue blend from top to bottom,
// the web-page icon (32 pixels at 96 DPI, made for `dpi`) and "   Barsmith" in white.
PropertyBag MainWindowHeaderProperties(const Dpi& dpi = Dpi{});

}  // namespace barsmith
