// The header as the main window shows it, read back from the screen.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/handles.h"
#include "support/main_window_fixture.h"

namespace barsmith {
namespace {

using MainWindowHeaderTest = testing::MainWindowTest;

TEST_F(MainWindowHeaderTest, TheTitleStripBlendsFromWhiteAtTheTopToBlueAtTheBottom) {
    const HWND header = Ctl(IDC_Header);
    ASSERT_TRUE(header);
    RECT client{};
    GetClientRect(header, &client);

    RedrawWindow(header, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    const WindowDC dc(header);
    // Right of the icon and the caption, where only the blend shows.
    const int x = client.right - 20;
    const COLORREF top = GetPixel(dc.get(), x, 0);
    const COLORREF bottom = GetPixel(dc.get(), x, client.bottom - 1);
    EXPECT_GE(std::min({GetRValue(top), GetGValue(top), GetBValue(top)}), 240) << std::hex << top;
    EXPECT_LE(std::max(GetRValue(bottom), GetGValue(bottom)), 16) << std::hex << bottom;
    EXPECT_GE(GetBValue(bottom), 240) << std::hex << bottom;
    EXPECT_TRUE(messages.shown.empty());
}

}  // namespace
}  // namespace barsmith
