// A form of its own small table: a button that the first paint does not show
// is made on first use, in the font the shown buttons were fitted to already,
// and takes its place in Tab.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "platform/form.h"

namespace barsmith {
namespace {

enum : int { kShownButton = 10, kLaterFrame, kLaterButton, kLastButton };

constexpr ControlSpec kTable[] = {
    {kShownButton, ControlKind::Button, kOnForm, L"OK", nullptr, {120, 120, 1200, 375}, 0},
    {kLaterFrame, ControlKind::Frame, kOnForm, L"Later", nullptr, {120, 600, 3000, 1200}, 1, nullptr, kHiddenAtStart},
    {kLaterButton, ControlKind::Button, kLaterFrame, L"A Much Longer Caption", nullptr, {120, 300, 1200, 375}, 2},
    {kLastButton, ControlKind::Button, kOnForm, L"Last", nullptr, {2400, 120, 1200, 375}, 3},
};

class TableForm : public Form {
public:
    using Form::Form;
    bool Load() {
        if (!CreateForm(ClassInfo{L"BarsmithTableForm"}, L"Table", {WS_OVERLAPPED | WS_CAPTION, 0, 4000, 2400}))
            return false;
        CreateControls(kTable);
        FitCaptions();
        return true;
    }
    void OnGroupMade(const ControlSpec& group) override { madeGroups.push_back(group.id); }

    std::vector<int> madeGroups;
};

HFONT FontOf(HWND control) { return reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)); }

TEST(FormTest, AButtonMadeOnFirstUseHasTheFontTheShownButtonsWereFittedTo) {
    FormRegistry forms;
    forms.onLastFormGone = nullptr;
    TableForm form(forms);
    ASSERT_TRUE(form.Load());
    EXPECT_EQ(GetDlgItem(form.Hwnd(), kLaterFrame), nullptr) << "not made for the first paint";
    const HFONT shown = FontOf(form.ControlById(kShownButton));
    EXPECT_NE(shown, form.Font()) << "fitted to the caption still to be made too";

    const HWND later = form.ControlById(kLaterButton);
    ASSERT_TRUE(later);
    EXPECT_FALSE(IsWindowVisible(form.ControlById(kLaterFrame)));
    EXPECT_EQ(FontOf(later), shown);
    EXPECT_EQ(FontOf(form.ControlById(kShownButton)), shown);
    EXPECT_EQ(form.madeGroups, std::vector<int>{kLaterFrame}) << "once, for the whole frame";

    ShowWindow(form.ControlById(kLaterFrame), SW_SHOW);
    EXPECT_EQ(GetNextDlgTabItem(form.Hwnd(), form.ControlById(kShownButton), FALSE), later)
        << "the frame's place in Tab is its table's, not last";
}

}  // namespace
}  // namespace barsmith
