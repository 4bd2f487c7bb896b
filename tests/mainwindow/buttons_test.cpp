// Creating, listing, previewing and deleting buttons through the real main
// window, with real clicks, over the test prefix's registry.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "model/button_definition.h"
#include "model/guid.h"
#include "storage/my_buttons_catalogue.h"
#include "extensions/picture_files.h"
#include "support/extension_keys.h"
#include "platform/shell.h"
#include "support/main_window_fixture.h"

namespace barsmith {
namespace {

using testing::KeyIn;
using testing::RegCall;
using testing::TempFile;
using testing::ValueIn;

class ButtonsTest : public testing::MainWindowTest {
protected:
    testing::MadeKeys made;
    const TempFile icon{L".ico", testing::IcoFileBytes(32, RGB(0, 120, 215))};

    void Fill(const std::wstring& buttonText, const std::wstring& iconPath) {
        main->SetText(IDC_ApplicationPath, L"C:\\Tools\\notes.exe");
        main->SetText(IDC_IconPath, iconPath);
        main->SetText(IDC_ButtonText, buttonText);
        main->SetText(IDC_MenuText, L"Open Notes");
        main->SetText(IDC_StatusBarText, L"Starts the notes");
        main->SetText(IDC_ToolTip, L"Notes");
    }
    // Presses "Create Button" and gives the GUID it used.
    std::wstring Create() {
        const std::wstring guid = made.Add(main->NextGuid());
        Click(IDC_CreateButton);
        return guid;
    }
    std::wstring Create(const std::wstring& buttonText, const std::wstring& iconPath) {
        Fill(buttonText, iconPath);
        return Create();
    }
    LRESULT ItemCount() const { return SendMessageW(Ctl(IDC_MyButtonsList), LVM_GETITEMCOUNT, 0, 0); }
    // The text of a cell, as the list shows it.
    std::wstring Item(int index, ListColumn column = ListColumn::Text) const {
        wchar_t text[64]{};
        LVITEMW item{};
        item.iSubItem = static_cast<int>(column);
        item.pszText = text;
        item.cchTextMax = 64;
        SendMessageW(Ctl(IDC_MyButtonsList), LVM_GETITEMTEXTW, index, reinterpret_cast<LPARAM>(&item));
        return text;
    }
    // The middle of the item's text, in the list's client coordinates.
    LPARAM ItemPoint(int index) const {
        RECT item{LVIR_LABEL, 0, 0, 0};
        SendMessageW(Ctl(IDC_MyButtonsList), LVM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&item));
        return MAKELPARAM(item.left + 4, (item.top + item.bottom) / 2);
    }
    // Clicks the item with the mouse, as the user does; with Ctrl held, adds it to the selection.
    void ClickItem(int index, bool control = false) {
        const LPARAM at = ItemPoint(index);
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_CONTROL] = control ? 0x80 : 0;
        SetKeyboardState(keys);
        const WPARAM held = control ? MK_CONTROL : 0;
        PostMessageW(Ctl(IDC_MyButtonsList), WM_LBUTTONDOWN, MK_LBUTTON | held, at);
        PostMessageW(Ctl(IDC_MyButtonsList), WM_LBUTTONUP, held, at);
        Pump();
        keys[VK_CONTROL] = 0;
        SetKeyboardState(keys);
    }
    // Shows My Buttons and clicks the item.
    void ShowItem(int index) {
        Click(IDC_SwitchView);
        ClickItem(index);
    }
    HICON Preview() const { return reinterpret_cast<HICON>(SendMessageW(Ctl(IDC_Preview), STM_GETICON, 0, 0)); }
    bool Selected() const { return SendMessageW(Ctl(IDC_MyButtonsList), LVM_GETSELECTEDCOUNT, 0, 0) > 0; }
};

TEST_F(ButtonsTest, CreateListPreviewAndDeleteAButton) {
    const std::wstring guid = Create(L"Notes", icon.path());

    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(ValueIn(HKEY_LOCAL_MACHINE, guid, L"Icon"), icon.path());
    EXPECT_EQ(ValueIn(HKEY_LOCAL_MACHINE, guid, L"CLSID"), L"{1FBA04EE-3024-11d2-8F1F-0000F87ABD16}");
    EXPECT_EQ(ValueIn(HKEY_LOCAL_MACHINE, guid, L"Default Visible"), L"Yes");
    EXPECT_EQ(main->Text(IDC_Status), L"The Notes Button has been created!");
    for (const ControlId box : {IDC_ApplicationPath, IDC_IconPath, IDC_ButtonText, IDC_HotIconPath, IDC_MenuText,
                                IDC_StatusBarText, IDC_ToolTip})
        EXPECT_EQ(main->Text(box), L"") << box;
    EXPECT_NE(main->NextGuid(), guid) << "the next button gets a new GUID";
    ASSERT_EQ(ItemCount(), 1);
    EXPECT_EQ(Item(0), L"Notes");
    EXPECT_FALSE(Selected());

    ShowItem(0);
    EXPECT_EQ(main->PreviewedIconPath(), icon.path());
    EXPECT_EQ(WindowText(Ctl(IDC_PreviewedGuid)), guid) << "made after the preview, the label shows it";
    EXPECT_NE(Preview(), nullptr);
    EXPECT_TRUE(Enabled(IDC_DeleteSelected));
    // Alt+D from the list opens the Default Icon's picker: it never deletes.
    SetFocus(Ctl(IDC_MyButtonsList));
    PostMessageW(Ctl(IDC_MyButtonsList), WM_SYSCHAR, L'd', 1 << 29);
    Pump();
    EXPECT_EQ(ItemCount(), 1);
    ASSERT_EQ(dialogs.requests.size(), 1u);
    EXPECT_EQ(dialogs.requests[0].title, L"Choose your default icon");

    main->SetStatusCreated(L"Notes");
    Click(IDC_DeleteSelected);
    EXPECT_FALSE(KeyIn(HKEY_LOCAL_MACHINE, guid));
    EXPECT_EQ(ItemCount(), 0);
    EXPECT_EQ(Preview(), nullptr);
    EXPECT_EQ(WindowText(Ctl(IDC_PreviewedGuid)), L"");
    EXPECT_EQ(main->PreviewedIconPath(), icon.path()) << "the path of the last preview stays";
    EXPECT_FALSE(Enabled(IDC_DeleteSelected));
    EXPECT_EQ(main->Text(IDC_Status), kDefaultStatus);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(ButtonsTest, MissingPathsOpenTheirPickersAndMissingTextsTakeTheFocus) {
    Click(IDC_CreateButton);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].title, L"No Application Chosen");
    ASSERT_EQ(dialogs.requests.size(), 1u);
    EXPECT_EQ(dialogs.requests[0].title, L"Choose your program");

    Fill(L"Notes", L"");
    Click(IDC_CreateButton);
    EXPECT_EQ(messages.shown.back().title, L"No Icon Chosen");
    ASSERT_EQ(dialogs.requests.size(), 2u);
    EXPECT_EQ(dialogs.requests[1].title, L"Choose your default icon");

    Fill(L"Notes", icon.path());
    main->SetText(IDC_MenuText, L"");
    SetFocus(Ctl(IDC_ApplicationPath));
    const std::wstring guid = main->NextGuid();
    Click(IDC_CreateButton);
    EXPECT_EQ(messages.shown.back().title, L"No Menu Text Entered");
    EXPECT_EQ(GetFocus(), Ctl(IDC_MenuText));
    EXPECT_EQ(main->Text(IDC_ButtonText), L"Notes") << "the form keeps its contents";
    EXPECT_EQ(main->NextGuid(), guid);
    EXPECT_FALSE(KeyIn(HKEY_LOCAL_MACHINE, guid));

    // A control character pasted into a box is told, and the box takes the focus.
    main->SetText(IDC_MenuText, L"Open");
    main->SetText(IDC_ToolTip, L"Ring\a");
    Click(IDC_CreateButton);
    EXPECT_EQ(messages.shown.back().title, L"Button Not Created");
    EXPECT_NE(messages.shown.back().text.find(L"The Tool Tip \"Ring\\u0007\" holds the control character U+0007"),
              std::wstring::npos)
        << messages.shown.back().text;
    EXPECT_EQ(GetFocus(), Ctl(IDC_ToolTip));
    EXPECT_FALSE(KeyIn(HKEY_LOCAL_MACHINE, guid));
    EXPECT_EQ(ItemCount(), 0);
}

TEST_F(ButtonsTest, HiddenOptionsChooseTheHiveAndVisibility) {
    Click(IDC_CurrentUserOnly);
    Click(IDC_ButtonVisible);
    Fill(L"Mine", icon.path());
    main->SetText(IDC_HotIconPath, L"C:\\Icons\\hot.ico");
    const std::wstring guid = Create();

    EXPECT_FALSE(KeyIn(HKEY_LOCAL_MACHINE, guid));
    EXPECT_EQ(ValueIn(HKEY_CURRENT_USER, guid, L"Default Visible"), L"No");
    EXPECT_EQ(ValueIn(HKEY_CURRENT_USER, guid, L"HotIcon"), L"C:\\Icons\\hot.ico");
    EXPECT_TRUE(Checked(IDC_CurrentUserOnly)) << "the options stay as the user left them";

    // A button of the current user only is previewed and deleted all the same.
    ShowItem(0);
    EXPECT_EQ(main->PreviewedIconPath(), icon.path());
    EXPECT_NE(Preview(), nullptr);
    Click(IDC_DeleteSelected);
    EXPECT_FALSE(KeyIn(HKEY_CURRENT_USER, guid));
    EXPECT_EQ(ItemCount(), 0);
}

TEST_F(ButtonsTest, RegistryRefusalsAreToldAndLoseNothing) {
    Fill(L"Notes", icon.path());
    const std::wstring refused = main->NextGuid();
    registry.Refuse(RegCall::Create, ERROR_ACCESS_DENIED, ExtensionKeyPath(refused));
    Create();

    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].title, L"Button Not Created");
    EXPECT_NE(messages.shown[0].text.find(L"HKEY_LOCAL_MACHINE\\" + ExtensionKeyPath(refused)), std::wstring::npos);
    EXPECT_EQ(main->Text(IDC_ButtonText), L"Notes");
    EXPECT_EQ(main->Text(IDC_IconPath), icon.path());
    EXPECT_EQ(ItemCount(), 0);
    EXPECT_FALSE(MyButtonsCatalogue(registry).Contains(L"Notes"));

    Click(IDC_MakeGuid);  // a GUID that the registry accepts
    const std::wstring guid = Create();
    ASSERT_TRUE(KeyIn(HKEY_LOCAL_MACHINE, guid));
    ShowItem(0);
    registry.Refuse(RegCall::DeleteKey, ERROR_ACCESS_DENIED);
    Click(IDC_DeleteSelected);
    EXPECT_EQ(messages.shown.back().title, L"Button Not Deleted");
    EXPECT_TRUE(KeyIn(HKEY_LOCAL_MACHINE, guid));
    ASSERT_EQ(ItemCount(), 1) << "the button stays listed";
    EXPECT_FALSE(Enabled(IDC_DeleteSelected)) << "nothing is selected after the reload";
    for (const auto& shown : messages.shown) EXPECT_EQ(shown.owner, main->Hwnd()) << "every box is modal to the window";
}

TEST_F(ButtonsTest, CreatingWhileMyButtonsShowsLeavesNothingToDelete) {
    Create(L"Notes", icon.path());
    ShowItem(0);
    ASSERT_TRUE(Enabled(IDC_DeleteSelected));
    Create(L"Other", icon.path());
    EXPECT_EQ(ItemCount(), 2);
    EXPECT_FALSE(Selected());
    EXPECT_FALSE(Enabled(IDC_DeleteSelected));
    main->OnDeleteSelected();  // even called directly, it deletes nothing
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(ItemCount(), 2);
}

TEST_F(ButtonsTest, ItemsMapToTheirEntriesByPlaceNotByTheTextShown) {
    const std::wstring foo = Create(L"Foo", icon.path());
    const std::wstring other = made.Add(CreateGUID());
    const std::wstring name(L"Foo\0Bar", 7);
    ASSERT_EQ(testing::SetCountedValue(HKEY_CURRENT_USER, SectionPath(kCatalogueApplication, kCatalogueSection), name,
                                       other),
              ERROR_SUCCESS);

    Click(IDC_SwitchView);
    ASSERT_EQ(ItemCount(), 2);
    EXPECT_EQ(Item(1), L"Foo") << "the list shows the name up to its NUL";
    ClickItem(1);
    EXPECT_EQ(main->PreviewedGuid(), other);
    Click(IDC_DeleteSelected);
    ASSERT_EQ(ItemCount(), 1);
    ClickItem(0);
    EXPECT_EQ(main->PreviewedGuid(), foo) << "the other entry is left as it was";
}

TEST_F(ButtonsTest, MissingGuidIsToldAndTheNextAttemptGetsOne) {
    Fill(L"Notes", icon.path());
    main->SetText(IDC_NextGuid, L"");  // the field out of view, emptied: the window takes it
    Click(IDC_CreateButton);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].title, L"Button Not Created");
    EXPECT_EQ(main->Text(IDC_ButtonText), L"Notes");
    EXPECT_EQ(ItemCount(), 0);

    Create();
    EXPECT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(ItemCount(), 1);
}

TEST_F(ButtonsTest, SecondButtonOfTheSameTextReplacesTheFirstOnYes) {
    const TempFile second{L".bmp", testing::BmpFileBytes(32, 32, RGB(0, 160, 0))};
    const std::wstring first = Create(L"Notes", icon.path());
    Fill(L"Notes", second.path());
    messages.answers = {IDYES};
    const std::wstring replacement = Create();

    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].type, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
    EXPECT_FALSE(KeyIn(HKEY_LOCAL_MACHINE, first));
    ASSERT_EQ(ItemCount(), 1);
    ShowItem(0);
    EXPECT_EQ(main->PreviewedGuid(), replacement);
    EXPECT_EQ(main->PreviewedIconPath(), second.path());
    EXPECT_NE(Preview(), nullptr) << "bitmap files preview too";
}

TEST_F(ButtonsTest, ListShowsTheCatalogueAndAnUnloadablePictureLeavesThePreviewEmpty) {
    const TempFile notAPicture{L".ico", std::vector<uint8_t>{'t', 'e', 'x', 't'}};
    Create(L"Broken", notAPicture.path());
    Create(L"Alpha", icon.path());
    testing::DeleteButtonKeys(Create(L"Gone", icon.path()));

    Click(IDC_SwitchView);
    ASSERT_EQ(ItemCount(), 3);
    EXPECT_EQ((std::vector{Item(0), Item(1), Item(2)}), (std::vector<std::wstring>{L"Alpha", L"Broken", L"Gone"}))
        << "sorted by text";
    EXPECT_FALSE(Selected());
    EXPECT_FALSE(Enabled(IDC_DeleteSelected));

    ClickItem(0);
    EXPECT_NE(Preview(), nullptr);
    ClickItem(1);
    EXPECT_EQ(main->PreviewedIconPath(), notAPicture.path());
    EXPECT_EQ(Preview(), nullptr);
    EXPECT_TRUE(Enabled(IDC_DeleteSelected));
    ClickItem(2);
    EXPECT_EQ(main->PreviewedIconPath(), L"");
    EXPECT_TRUE(Enabled(IDC_DeleteSelected));

    // The key has gone already: deleting drops the entry without a word.
    Click(IDC_DeleteSelected);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(ItemCount(), 2);

    // Entering My Buttons mode after a preview leaves nothing selected.
    ClickItem(0);
    Click(IDC_SwitchView);
    Click(IDC_SwitchView);
    EXPECT_FALSE(Selected());
    EXPECT_EQ(main->PreviewedGuid(), L"");
    EXPECT_FALSE(Enabled(IDC_DeleteSelected));
}

// The Entry frame: a script, a menu item only, in the Help menu; an icon
// picked inside a program; the kind shown in My Buttons and loaded for editing.
TEST_F(ButtonsTest, EntryFrameMakesEveryKindAndPicksIconsInsidePrograms) {
    Fill(L"Notes", L"");
    shell.pickedIcon = {L"C:\\Tools\\lib.dll", 3};
    Click(IDC_ChangeIcon);
    ASSERT_EQ(shell.iconsOffered.size(), 1u);
    EXPECT_EQ(shell.iconsOffered[0].file, SystemFolder() + L"\\shell32.dll") << "an empty box starts at the system's icons";
    EXPECT_EQ(main->Text(IDC_IconPath), L"C:\\Tools\\lib.dll,3");
    Click(IDC_ChangeIcon);
    EXPECT_EQ(shell.iconsOffered[1].file, L"C:\\Tools\\lib.dll") << "then at the file the box names";
    // Where the system has no picker (as Wine has none), the user is told how to name one.
    shell.pickedIcon.reset();
    shell.iconPickerAnswer = IconPick::Unavailable;
    Click(IDC_ChangeHotIcon);
    EXPECT_EQ(messages.shown.back().title, L"Change Icon");
    EXPECT_EQ(GetFocus(), Ctl(IDC_HotIconPath));
    EXPECT_EQ(main->Text(IDC_HotIconPath), L"");

    Click(IDC_RunsScript);
    Click(IDC_MenuOnly);
    Click(IDC_HelpMenu);
    EXPECT_EQ(main->Text(IDC_ApplicationLabel), L"Script");
    for (const ControlId unused : {IDC_IconPath, IDC_PickIcon, IDC_HotIconLabel, IDC_ToolTip, IDC_ChangeHotIcon})
        EXPECT_FALSE(Enabled(unused)) << unused;
    EXPECT_TRUE(Enabled(IDC_ButtonText) && Enabled(IDC_MenuText));
    main->SetText(IDC_ButtonText, L"");  // a menu item is listed by its menu text
    const std::wstring guid = Create();
    EXPECT_EQ(main->Text(IDC_Status), L"The Open Notes Button has been created!");
    EXPECT_EQ(ValueIn(HKEY_LOCAL_MACHINE, guid, L"Script"), L"C:\\Tools\\notes.exe");
    EXPECT_EQ(ValueIn(HKEY_LOCAL_MACHINE, guid, L"MenuCustomize"), L"help");

    ShowItem(0);
    EXPECT_EQ(main->Text(IDC_Status), L"\"Open Notes\" is a menu item that runs a script, in the Help menu.");
    PressKey(Ctl(IDC_MyButtonsList), WM_KEYDOWN, VK_RETURN);
    EXPECT_TRUE(Checked(IDC_RunsScript) && Checked(IDC_MenuOnly) && Checked(IDC_HelpMenu));
    EXPECT_FALSE(Enabled(IDC_ToolTip));
    Click(IDC_MenuOnly);
    EXPECT_TRUE(Enabled(IDC_ToolTip));
}

// Repairing would take in the keys other tests make meanwhile: the window
// asks, and is answered No (check --repair is tested through the command line).
TEST_F(ButtonsTest, CheckTellsWhatIsWrongAndAsksBeforeRepairing) {
    const std::wstring guid = Create(L"Notes", icon.path());
    MyButtonsCatalogue(registry).Remove(L"Notes");  // the key is left without its entry
    Click(IDC_SwitchView);
    ASSERT_TRUE(Visible(IDC_Check));
    messages.answers = {IDNO};
    Click(IDC_Check);
    ASSERT_FALSE(messages.shown.empty());
    EXPECT_EQ(messages.shown.back().title, L"Check My Buttons");
    EXPECT_NE(messages.shown.back().text.find(guid + L": no entry of My Buttons names it"), std::wstring::npos)
        << messages.shown.back().text;
    EXPECT_EQ(messages.shown.back().type, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
    EXPECT_EQ(ItemCount(), 0) << "nothing repaired";
    Click(IDC_SwitchView);
    EXPECT_FALSE(Visible(IDC_Check)) << "a command of the My Buttons view";
}

TEST_F(ButtonsTest, DoubleClickOrEnterEditsAndSaveRewritesTheSameKey) {
    const std::wstring guid = Create(L"Notes", icon.path());
    ShowItem(0);
    PostMessageW(Ctl(IDC_MyButtonsList), WM_LBUTTONDBLCLK, MK_LBUTTON, ItemPoint(0));
    PostMessageW(Ctl(IDC_MyButtonsList), WM_LBUTTONUP, 0, ItemPoint(0));
    Pump();

    ExpectMode(false);
    EXPECT_EQ(main->Text(IDC_ButtonText), L"Notes");
    EXPECT_EQ(main->Text(IDC_IconPath), icon.path());
    EXPECT_EQ(main->NextGuid(), guid);
    EXPECT_EQ(main->Text(IDC_CreateButton), L"Save &Button");
    EXPECT_EQ(main->Text(IDC_Status), L"Editing the Notes Button");

    main->SetText(IDC_MenuText, L"Open Jots");
    Click(IDC_CreateButton);
    EXPECT_EQ(main->Text(IDC_Status), L"The Notes Button has been saved!");
    EXPECT_EQ(main->Text(IDC_CreateButton), L"Create &Button");
    EXPECT_EQ(main->Text(IDC_ButtonText), L"");
    EXPECT_NE(main->NextGuid(), guid);
    EXPECT_EQ(ValueIn(HKEY_LOCAL_MACHINE, guid, L"MenuText"), L"Open Jots");
    EXPECT_EQ(ItemCount(), 1);

    // Enter on the entry edits too; Make GUID leaves editing with nothing written.
    ShowItem(0);
    PressKey(Ctl(IDC_MyButtonsList), WM_KEYDOWN, VK_RETURN);
    ASSERT_EQ(main->Text(IDC_CreateButton), L"Save &Button");
    main->SetText(IDC_MenuText, L"Never saved");
    Click(IDC_MakeGuid);
    EXPECT_EQ(main->Text(IDC_CreateButton), L"Create &Button");
    EXPECT_EQ(main->Text(IDC_MenuText), L"");
    EXPECT_EQ(main->Text(IDC_Status), kDefaultStatus);
    EXPECT_EQ(ValueIn(HKEY_LOCAL_MACHINE, guid, L"MenuText"), L"Open Jots");
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(ButtonsTest, ShortcutMenuOfTheSelectedEntryEditsAndDeletes) {
    const std::wstring guid = Create(L"Notes", icon.path());
    Click(IDC_SwitchView);
    // The menu key, or Shift+F10, then the command's access key. With nothing
    // selected no menu opens, so the access key is only a key.
    const auto menuKey = [this](wchar_t choice, bool shiftF10 = false) {
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_SHIFT] = shiftF10 ? 0x80 : 0;
        SetKeyboardState(keys);
        if (shiftF10) {
            PostMessageW(Ctl(IDC_MyButtonsList), WM_SYSKEYDOWN, VK_F10, 0);
        } else {
            PostMessageW(Ctl(IDC_MyButtonsList), WM_KEYDOWN, VK_APPS, 0);
            PostMessageW(Ctl(IDC_MyButtonsList), WM_KEYUP, VK_APPS, 0);
        }
        PostMessageW(Ctl(IDC_MyButtonsList), WM_CHAR, choice, 0);
        Pump();
        keys[VK_SHIFT] = 0;
        SetKeyboardState(keys);
    };
    SetFocus(Ctl(IDC_MyButtonsList));
    menuKey(L'e');
    EXPECT_EQ(main->Text(IDC_CreateButton), L"Create &Button");

    ClickItem(0);
    menuKey(L'e');
    EXPECT_EQ(main->Text(IDC_CreateButton), L"Save &Button");
    EXPECT_EQ(main->NextGuid(), guid);

    // Export asks where with the Save As dialog and writes a registry file there.
    const TempFile exported{L".reg", {}};
    ShowItem(0);
    dialogs.answers = {exported.path()};
    menuKey(L'x');
    ASSERT_FALSE(dialogs.requests.empty());
    EXPECT_TRUE(dialogs.requests.back().save);
    EXPECT_EQ(dialogs.requests.back().fileName, L"Notes.reg");
    for (const wchar_t* pattern : {L"*.reg", L"*.xml", L"*.msi"})
        EXPECT_NE(dialogs.requests.back().filter.find(pattern), std::wstring::npos) << pattern;
    EXPECT_GT(std::filesystem::file_size(exported.path()), 0u);
    EXPECT_NE(main->Text(IDC_Status).find(L"exported"), std::wstring::npos);

    ShowItem(0);
    menuKey(L'd', true);
    EXPECT_EQ(ItemCount(), 0);
    EXPECT_FALSE(KeyIn(HKEY_LOCAL_MACHINE, guid));
}

// What the package dialog showed and did, seen from another thread while the
// window's thread runs it.
struct PackageDialogRun {
    std::wstring product;
    std::wstring version;
    bool focusOnProduct = false;
    bool stayedOpenOnABadVersion = false;
    bool focusOnVersionThen = false;
};

// Waits for the dialog, then answers it as a user at the keyboard: Enter on a
// version the installer refuses, the version mended and Enter again; or Esc.
PackageDialogRun AnswerPackageDialog(DWORD windowThread, bool cancel) {
    PackageDialogRun run;
    HWND dialog = nullptr;
    for (int i = 0; i < 1000 && !dialog; ++i, Sleep(10)) dialog = FindWindowW(L"#32770", L"Installer Package");
    if (!dialog) return run;
    const auto text = [&](int id) {
        wchar_t buffer[128]{};
        GetDlgItemTextW(dialog, id, buffer, 128);
        return std::wstring(buffer);
    };
    const auto focused = [&] {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        GetGUIThreadInfo(windowThread, &info);
        return info.hwndFocus;
    };
    const auto focus = [&] { return GetDlgCtrlID(focused()); };
    run.product = text(100);
    run.version = text(101);
    run.focusOnProduct = focus() == 100;
    const auto press = [&](WPARAM key) {
        PostMessageW(focused(), WM_KEYDOWN, key, 0);
        PostMessageW(focused(), WM_KEYUP, key, 0);
        Sleep(300);
    };
    if (cancel) {
        press(VK_ESCAPE);
        return run;
    }
    SetDlgItemTextW(dialog, 101, L"1.2");
    press(VK_RETURN);
    run.stayedOpenOnABadVersion = IsWindow(dialog) && !text(103).empty();
    run.focusOnVersionThen = focus() == 101;
    SetDlgItemTextW(dialog, 101, L"1.2.3");
    press(VK_RETURN);
    return run;
}

TEST_F(ButtonsTest, ExportToAPackageAsksItsProductAndVersionInADialogOfTheKeyboard) {
    Create(L"Notes", icon.path());
    ShowItem(0);
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / (L"package " + CreateGUID());
    std::filesystem::create_directories(folder);
    const DWORD windowThread = GetCurrentThreadId();
    for (const bool cancel : {true, false}) {
        SCOPED_TRACE(cancel);
        const std::wstring path = (folder / (cancel ? L"cancelled.msi" : L"notes.msi")).wstring();
        dialogs.answers = {path};
        PackageDialogRun run;
        std::thread answering([&] { run = AnswerPackageDialog(windowThread, cancel); });
        main->OnExportSelected();
        answering.join();
        EXPECT_EQ(run.product, L"Notes") << "the entry's text is offered as the product";
        EXPECT_EQ(run.version, L"1.0.0");
        EXPECT_TRUE(run.focusOnProduct);
        EXPECT_EQ(run.stayedOpenOnABadVersion, !cancel);
        EXPECT_EQ(run.focusOnVersionThen, !cancel);
        EXPECT_EQ(GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES, !cancel);
        EXPECT_EQ(main->Text(IDC_Status).find(L"exported") != std::wstring::npos, !cancel);
    }
    std::filesystem::remove_all(folder);
    EXPECT_TRUE(messages.shown.empty());
}

}  // namespace
}  // namespace barsmith
