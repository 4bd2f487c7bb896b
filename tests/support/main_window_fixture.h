#pragma once
// Opens the real main window under Wine with scripted message boxes, file
// dialogs and shell, over the test prefix's real registry. The catalogue is
// emptied before and after each test.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "mainwindow/main_window.h"
#include "support/fakes.h"

namespace barsmith::testing {

class MainWindowTest : public ::testing::Test {
protected:
    ScriptedMessageBox messages;
    ScriptedFileDialog dialogs;
    RecordingShell shell;
    RecordingRegistry registry;
    ScriptedElevation elevation;
    FormRegistry forms;
    int lastFormGone = 0;
    std::unique_ptr<MainWindow> main;

    void SetUp() override { Open(dialogs); }
    void Open(FileDialogSeam& fileDialog) {
        ForgetCatalogue();
        forms.onLastFormGone = [this] { ++lastFormGone; };
        main = std::make_unique<MainWindow>(forms, MainWindowServices{messages, fileDialog, shell, registry, elevation});
        ASSERT_TRUE(main->Load());
        main->Show(SW_SHOWNORMAL);
        Pump();
    }
    void TearDown() override {
        main.reset();
        ForgetCatalogue();
    }

    static void ForgetCatalogue() { RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Barsmith"); }

    // Runs pending messages through the forms as the program's message loop
    // does and, unless told not to, waits (at most a minute) for a reading of
    // My Buttons under way.
    void Pump(bool untilListRead = true) {
        const ULONGLONG until = GetTickCount64() + 60000;
        for (;;) {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (forms.PreTranslate(msg)) continue;
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
            if (!untilListRead || !main || !main->ReadingList() || GetTickCount64() > until) return;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        }
    }
    // Runs what `post` posts with a modifier key (VK_SHIFT...) held, or none.
    template <typename Posting>
    void Holding(BYTE modifier, Posting post) {
        BYTE keys[256];
        GetKeyboardState(keys);
        if (modifier) keys[modifier] = 0x80;
        SetKeyboardState(keys);
        post();
        Pump();
        if (modifier) keys[modifier] = 0;
        SetKeyboardState(keys);
    }
    void PressKey(HWND where, UINT message, WPARAM key, BYTE modifier = 0) {
        Holding(modifier, [&] { PostMessageW(where, message, key, 0); });
    }
    void Click(ControlId id) {
        SendMessageW(main->Control(id), BM_CLICK, 0, 0);
        Pump();
    }
    HWND Ctl(ControlId id) const { return main->Control(id); }
    bool Visible(ControlId id) const { return IsWindowVisible(Ctl(id)) != FALSE; }
    bool Enabled(ControlId id) const { return IsWindowEnabled(Ctl(id)) != FALSE; }
    bool Checked(ControlId id) const { return SendMessageW(Ctl(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
    // Tools Menu mode shows its frame; My Buttons mode its own, with the list. The button names the other mode.
    void ExpectMode(bool myButtons) const {
        EXPECT_EQ(main->Text(IDC_SwitchView), myButtons ? L"&Tools Menu" : L"&My Buttons");
        EXPECT_EQ(Visible(IDC_MenuFrame), !myButtons);
        EXPECT_EQ(Visible(IDC_MyButtonsFrame), myButtons);
        EXPECT_EQ(Visible(IDC_MyButtonsList), myButtons) << "the frame hides what it holds";
    }
};

}  // namespace barsmith::testing
