// Entry point of every test executable: the same COM and common-controls set-up
// as the program, so that tests drive the real windows and dialogs.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "platform/com.h"

int main(int argc, char** argv) {
    const barsmith::ScopedCom com;
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
