#pragma once
// Where the header places its icon and caption on the strip, and the two
// conversions of a caption between its one-line form ("|" marks the breaks)
// and its multi-line form (CR LF pairs). All lengths are twips.
#include <cstdint>
#include <string>

namespace barsmith {

enum class TextAlign { Left, Centre, Right };

struct Box {
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
};

// The measures of the strip the children sit on, and the screen's twips per
// pixel across (px) and down (py) that turn pixel margins into twips.
struct StripMeasures {
    double width;
    double height;
    double innerWidth;
    double innerHeight;
    double px;
    double py;
};

struct PlacementOptions {
    bool hasIcon;
    bool multiLine;
    std::int32_t alignment;  // 0 left, 1 centred, 2 right, 3 caption under the icon
};

// What placement changes: icon visibility and position, caption position and the
// caption's text alignment. Sizes are read, never changed; what a case does not
// set keeps its value.
struct ChildPlacement {
    bool iconVisible = true;
    Box icon;
    Box caption;
    TextAlign captionAlign = TextAlign::Left;
};

// x rounded to whole twips (halfway to even), then halved with the remainder dropped.
long Half(double x);

void PlaceIconAndCaption(const StripMeasures& strip, const PlacementOptions& options, ChildPlacement& children);

// Every "|" becomes a CR LF pair; text without "|" comes back unchanged.
std::wstring DoMultiLining(const std::wstring& text);
// Every CR becomes "|", every LF is dropped.
std::wstring RemoveCRLF(const std::wstring& text);

}  // namespace barsmith
