#include "mainwindow/toolbar_strip.h"

#include <optional>

#include "words/shared_words.h"
#include "pictures/picture_file.h"

namespace barsmith {
namespace {

// The sizes the browser's toolbar draws its buttons at, in pixels whatever
// the screen's DPI: in its window, and full-screen.
constexpr int kToolbarSide = 20;
constexpr int kFullScreenSide = 16;
constexpr int kGap = 3;  // pixels between a button's picture and its text, and around the cells

// "Icon: no 20×20 image: the toolbar will scale the 32×32 one", or empty when
// the icon has an image of each size or cannot be read (the fields tell that).
std::wstring NoticeFor(const wchar_t* state, const std::wstring& location) {
    for (const int size : {kToolbarSide, kFullScreenSide}) {
        const std::optional<ImageForSize> image = PictureImageFor(location, size);
        if (!image) return {};
        if (!image->exact) return std::wstring(state) + L": " + MissingSizeText(size, image->side);
    }
    return {};
}

}  // namespace

HWND ToolbarStrip::Create(HWND parent, const RECT& at, int id) {
    const ClassInfo cls{L"BarsmithToolbarStrip"};
    return CreateBound(cls, 0, WS_CHILD | WS_VISIBLE, L"", at.left, at.top, at.right - at.left, at.bottom - at.top,
                       parent, static_cast<UINT_PTR>(id));
}

void ToolbarStrip::Show(const ToolbarLook& look) {
    const bool iconsChanged = !shown_ || look.icon != look_.icon || look.hotIcon != look_.hotIcon ||
                              look.menuOnly != look_.menuOnly;
    const bool textChanged = look.text != look_.text;
    look_ = look;
    shown_ = true;
    if (iconsChanged) {
        const std::wstring& hot = look.hotIcon.empty() ? look.icon : look.hotIcon;
        pictures_[0] = look.menuOnly ? UniqueIcon() : LoadPictureIcon(look.icon, kToolbarSide);
        pictures_[1] = look.menuOnly ? UniqueIcon() : LoadPictureIcon(hot, kToolbarSide);
        pictures_[2] = look.menuOnly ? UniqueIcon() : LoadPictureIcon(look.icon, kFullScreenSide);
        notices_.clear();
        if (!look.menuOnly) {
            for (std::wstring notice : {NoticeFor(L"Icon", look.icon),
                                        look.hotIcon.empty() ? std::wstring() : NoticeFor(L"Hot Icon", look.hotIcon)}) {
                if (!notice.empty()) notices_.push_back(std::move(notice));
            }
        }
    }
    if ((iconsChanged || textChanged) && Hwnd()) InvalidateRect(Hwnd(), nullptr, TRUE);
}

void ToolbarStrip::Paint(HDC dc, const RECT& client) const {
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    const SelectObjectGuard selectFont(dc, font_ ? static_cast<HGDIOBJ>(font_) : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    if (look_.menuOnly) {
        RECT text = client;
        DrawTextW(dc, L"A menu item only: no toolbar button.", -1, &text, DT_WORDBREAK | DT_NOPREFIX);
        return;
    }
    // Three cells side by side, as three buttons of the toolbar: the picture
    // centred at the top, the text centred below it, cut short as the toolbar does.
    const int cellWidth = (client.right - client.left) / 3;
    const int cellHeight = kGap + kToolbarSide + kGap + metrics.tmHeight + kGap;
    const int sides[] = {kToolbarSide, kToolbarSide, kFullScreenSide};
    for (int cell = 0; cell < 3; ++cell) {
        const RECT button{client.left + cell * cellWidth + 1, client.top, client.left + (cell + 1) * cellWidth - 1,
                          client.top + cellHeight};
        // The hot state: the toolbar raises the button under the pointer.
        if (cell == 1) {
            RECT edge = button;
            DrawEdge(dc, &edge, BDR_RAISEDINNER, BF_RECT);
        }
        const int side = sides[cell];
        const int left = (button.left + button.right - side) / 2;
        const int top = button.top + kGap + (kToolbarSide - side);
        if (pictures_[cell]) DrawIconEx(dc, left, top, pictures_[cell].get(), side, side, 0, nullptr, DI_NORMAL);
        RECT text{button.left + kGap, button.top + 2 * kGap + kToolbarSide, button.right - kGap, button.bottom};
        DrawTextW(dc, look_.text.c_str(), static_cast<int>(look_.text.size()), &text,
                  DT_CENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
    }
    std::wstring notices;
    for (const std::wstring& notice : notices_) notices += (notices.empty() ? L"" : L"\n") + notice;
    RECT below{client.left, client.top + cellHeight + kGap, client.right, client.bottom};
    DrawTextW(dc, notices.c_str(), static_cast<int>(notices.size()), &below, DT_WORDBREAK | DT_NOPREFIX);
}

LRESULT ToolbarStrip::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_SETFONT:
        font_ = reinterpret_cast<HFONT>(wParam);
        if (LOWORD(lParam)) InvalidateRect(Hwnd(), nullptr, TRUE);
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(font_);
    case WM_ERASEBKGND:
        return 1;  // painted whole in WM_PAINT
    case WM_PAINT: {
        PAINTSTRUCT ps;
        const HDC dc = BeginPaint(Hwnd(), &ps);
        RECT client{};
        GetClientRect(Hwnd(), &client);
        Paint(dc, client);
        EndPaint(Hwnd(), &ps);
        return 0;
    }
    default:
        return Window::HandleMessage(msg, wParam, lParam);
    }
}

}  // namespace barsmith
