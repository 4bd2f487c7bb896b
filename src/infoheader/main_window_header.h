#pragma once
#include "infoheader/property_bag.h"

namespace barsmith {

// The stored property set of the main window's header InfoHeader1, with its keys
// in lower case as its host keeps them: a white-to-blue blend from top to bottom,
// the web-page icon and "   Barsmith" in white.
PropertyBag MainWindowHeaderProperties();

}  // namespace barsmith
