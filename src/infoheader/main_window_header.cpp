#include "infoheader/main_window_header.h"

#include "resource.h"

namespace barsmith {

PropertyBag MainWindowHeaderProperties(const Dpi& dpi) {
    return PropertyBag{
        // The host's own record of the size, in HIMETRIC; the header ignores it.
        {L"_extentx", std::int32_t{13044}},
        {L"_extenty", std::int32_t{1085}},
        {L"gradientstyle", std::int32_t{1}},
        {L"leftcolor", std::int32_t{0x00FFFFFF}},
        {L"rightcolor", std::int32_t{0x00FF0000}},
        {L"maxfill", std::int16_t{100}},
        {L"fontname", std::wstring(L"Tahoma")},
        {L"forecolor", std::int32_t{0x00FFFFFF}},
        {L"caption", std::wstring(L"   Barsmith")},
        {L"multiline", false},
        {L"alignment", std::int32_t{0}},
        {L"hasicon", true},
        {L"picture", StdPicture::FromIconResource(IDI_WEBPAGE, ScaleFrom96(32, dpi.x))},
    };
}

}  // namespace barsmith
