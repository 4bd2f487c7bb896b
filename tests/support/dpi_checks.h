#pragma once
// What the main window looks like when it is laid out for a DPI: places from
// the layout's twips, the header's icon, the preview and the font made for that
// DPI, and every caption whole.
#include <windows.h>

#include <gtest/gtest.h>

#include "mainwindow/main_window.h"
#include "mainwindow/main_layout.h"
#include "platform/twips.h"
#include "support/captions.h"

namespace barsmith::testing {

inline int IconWidth(HICON icon) {
    ICONINFO info{};
    if (!icon || !GetIconInfo(icon, &info)) return 0;
    const UniqueBitmap mask(info.hbmMask);
    const UniqueBitmap colour(info.hbmColor);
    BITMAP bm{};
    GetObjectW(colour ? colour.get() : mask.get(), sizeof bm, &bm);
    return bm.bmWidth;
}

inline RECT PlaceInParent(HWND control) {
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

inline void ExpectMainWindowLaidOutFor(MainWindow& main, const Dpi& dpi) {
    EXPECT_EQ(main.CurrentDpi().x, dpi.x);
    for (const ControlSpec& spec : MainWindowLayout()) {
        const RECT seen = PlaceInParent(main.ControlById(spec.id));
        const RECT wanted = ToPixels(spec.at, dpi);
        EXPECT_EQ(seen.left, wanted.left) << spec.id;
        EXPECT_EQ(seen.top, wanted.top) << spec.id;
        // A label takes its caption's width; the captions are checked below.
        if (spec.kind != ControlKind::Label) {
            EXPECT_EQ(seen.right, wanted.right) << spec.id;
        }
    }
    EXPECT_EQ(main.Header().Picture()->Width(), ScaleFrom96(32, dpi.x)) << "the header's icon";
    const auto preview = reinterpret_cast<HICON>(SendMessageW(main.Control(IDC_Preview), STM_GETICON, 0, 0));
    EXPECT_EQ(IconWidth(preview), TwipsToPixels(480, dpi.x)) << "the preview";
    LOGFONTW wanted{};
    LOGFONTW made{};
    ASSERT_TRUE(MessageFontFor(dpi, wanted));
    GetObjectW(main.Font(), sizeof made, &made);
    EXPECT_EQ(made.lfHeight, wanted.lfHeight);
    ExpectCaptionsWhole(main.Hwnd());
}

}  // namespace barsmith::testing
