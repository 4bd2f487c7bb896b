#pragma once
// The button as the browser's toolbar will draw it: at 20x20 pixels in the
// default state (its Icon) and the hot state (its Hot Icon, or the Icon when
// it has none), and at 16x16 (full-screen), each with its button text below;
// and, beside them, what the toolbar scales for a size an icon lacks.
#include <windows.h>

#include <string>
#include <vector>

#include "platform/handles.h"
#include "platform/window.h"

namespace barsmith {

// What the strip shows: an entry's icons and text, as the form or the key has them.
struct ToolbarLook {
    std::wstring icon;
    std::wstring hotIcon;
    std::wstring text;
    bool menuOnly = false;  // no toolbar button at all
};

class ToolbarStrip final : public Window {
public:
    HWND Create(HWND parent, const RECT& at, int id);
    // Draws `look` from now on; its icons are read again only when they changed.
    void Show(const ToolbarLook& look);
    // The notices beside the pictures, one a line: "Icon: no 20×20 image: ...".
    const std::vector<std::wstring>& Notices() const { return notices_; }
    // The picture of each state as drawn: default at 20, hot at 20, default at 16; each may be empty.
    HICON Picture(size_t which) const { return which < 3 ? pictures_[which].get() : nullptr; }

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void Paint(HDC dc, const RECT& client) const;

    ToolbarLook look_;
    bool shown_ = false;
    UniqueIcon pictures_[3];
    std::vector<std::wstring> notices_;
    HFONT font_ = nullptr;  // the form's; it owns it
};

}  // namespace barsmith
