// Creating, listing, previewing and deleting buttons through the real main
// window, with real clicks, over the test prefix's registry.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "extensions/button_definition.h"
#include "extensions/guid.h"
#include "extensions/my_buttons_catalogue.h"
#include "extensions/picture_files.h"
#include "support/extension_keys.h"
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
        main->SetText(IDC_Text2, L"C:\\Tools\\notes.exe");
        main->SetText(IDC_Text3, iconPath);
        main->SetText(IDC_Text4, buttonText);
        main->SetText(IDC_Text6, L"Open Notes");
        main->SetText(IDC_Text7, L"Starts the notes");
        main->SetText(IDC_Text8, L"Notes");
    }
    // Presses "Create Button" and gives the GUID it used.
    std::wstring Create() {
        const std::wstring guid = made.Add(main->Text(IDC_Text1));
        Click(IDC_Command2);
        return guid;
    }
    LRESULT ItemCount() const { return SendMessageW(Ctl(IDC_List1), LB_GETCOUNT, 0, 0); }
    std::wstring Item(int index) const {
        wchar_t text[64]{};
        SendMessageW(Ctl(IDC_List1), LB_GETTEXT, index, reinterpret_cast<LPARAM>(text));
        return text;
    }
    // Clicks the item with the mouse, as the user does.
    void ClickItem(int index) {
        RECT item{};
        SendMessageW(Ctl(IDC_List1), LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&item));
        const LPARAM at = MAKELPARAM(item.left + 4, (item.top + item.bottom) / 2);
        PostMessageW(Ctl(IDC_List1), WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageW(Ctl(IDC_List1), WM_LBUTTONUP, 0, at);
        Pump();
    }
    HICON Preview() const { return reinterpret_cast<HICON>(SendMessageW(Ctl(IDC_Picture1), STM_GETICON, 0, 0)); }
    bool Selected() const { return SendMessageW(Ctl(IDC_List1), LB_GETCURSEL, 0, 0) != LB_ERR; }
};

TEST_F(ButtonsTest, CreateListPreviewAndDeleteAButton) {
    Fill(L"Notes", icon.path());
    const std::wstring guid = Create();

    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(ValueIn(HKEY_LOCAL_MACHINE, guid, L"Icon"), icon.path());
    EXPECT_EQ(ValueIn(HKEY_LOCAL_MACHINE, guid, L"CLSID"), L"{1FBA04EE-3024-11d2-8F1F-0000F87ABD16}");
    EXPECT_EQ(ValueIn(HKEY_LOCAL_MACHINE, guid, L"Default Visible"), L"Yes");
    EXPECT_EQ(main->Text(IDC_lblMessage), L"The Notes Button has been created!");
    EXPECT_EQ(main->StatusColor(), kStatusCreatedColor);
    for (const ControlId box : {IDC_Text2, IDC_Text3, IDC_Text4, IDC_Text5, IDC_Text6, IDC_Text7, IDC_Text8})
        EXPECT_EQ(main->Text(box), L"") << box;
    EXPECT_EQ(main->Text(IDC_Text1).size(), 38u);
    EXPECT_NE(main->Text(IDC_Text1), guid) << "the next button gets a new GUID";
    ASSERT_EQ(ItemCount(), 1);
    EXPECT_EQ(Item(0), L"Notes");
    EXPECT_FALSE(Selected());

    Click(IDC_cmdMyKeys);
    ClickItem(0);
    EXPECT_EQ(main->Text(IDC_Label8), guid);
    EXPECT_EQ(main->Text(IDC_lblPath), icon.path());
    EXPECT_NE(Preview(), nullptr);
    EXPECT_TRUE(Enabled(IDC_Command5));

    main->SetStatusCreated(L"Notes");
    Click(IDC_Command5);
    EXPECT_FALSE(KeyIn(HKEY_LOCAL_MACHINE, guid));
    EXPECT_EQ(ItemCount(), 0);
    EXPECT_EQ(Preview(), nullptr);
    EXPECT_EQ(main->Text(IDC_Label8), L"");
    EXPECT_EQ(main->Text(IDC_lblPath), icon.path()) << "the path of the last preview stays";
    EXPECT_FALSE(Enabled(IDC_Command5));
    EXPECT_EQ(main->Text(IDC_lblMessage), kDefaultStatus);
    EXPECT_EQ(main->StatusColor(), kStatusDefaultColor);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(ButtonsTest, MissingPathsOpenTheirPickersAndMissingTextsTakeTheFocus) {
    Click(IDC_Command2);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].title, L"No Application Chosen");
    ASSERT_EQ(dialogs.requests.size(), 1u);
    EXPECT_EQ(dialogs.requests[0].title, L"Choose your program");

    Fill(L"Notes", L"");
    Click(IDC_Command2);
    EXPECT_EQ(messages.shown.back().title, L"No Icon Chosen");
    ASSERT_EQ(dialogs.requests.size(), 2u);
    EXPECT_EQ(dialogs.requests[1].title, L"Choose your default icon");

    Fill(L"Notes", icon.path());
    main->SetText(IDC_Text6, L"");
    SetFocus(Ctl(IDC_Text2));
    const std::wstring guid = main->Text(IDC_Text1);
    Click(IDC_Command2);
    EXPECT_EQ(messages.shown.back().title, L"No Menu Text Entered");
    EXPECT_EQ(GetFocus(), Ctl(IDC_Text6));
    EXPECT_EQ(main->Text(IDC_Text4), L"Notes") << "the form keeps its contents";
    EXPECT_EQ(main->Text(IDC_Text1), guid);
    EXPECT_FALSE(KeyIn(HKEY_LOCAL_MACHINE, guid));
    EXPECT_EQ(ItemCount(), 0);
}

TEST_F(ButtonsTest, HiddenOptionsChooseTheHiveAndVisibility) {
    SendMessageW(Ctl(IDC_Option2), BM_SETCHECK, BST_UNCHECKED, 0);
    SendMessageW(Ctl(IDC_Option1), BM_SETCHECK, BST_CHECKED, 0);
    SendMessageW(Ctl(IDC_Check1), BM_SETCHECK, BST_UNCHECKED, 0);
    Fill(L"Mine", icon.path());
    main->SetText(IDC_Text5, L"C:\\Icons\\hot.ico");
    const std::wstring guid = Create();

    EXPECT_FALSE(KeyIn(HKEY_LOCAL_MACHINE, guid));
    EXPECT_EQ(ValueIn(HKEY_CURRENT_USER, guid, L"Default Visible"), L"No");
    EXPECT_EQ(ValueIn(HKEY_CURRENT_USER, guid, L"HotIcon"), L"C:\\Icons\\hot.ico");
    EXPECT_TRUE(Checked(IDC_Option1)) << "the options stay as the user left them";

    // A button of the current user only is previewed and deleted all the same.
    Click(IDC_cmdMyKeys);
    ClickItem(0);
    EXPECT_EQ(main->Text(IDC_lblPath), icon.path());
    EXPECT_NE(Preview(), nullptr);
    Click(IDC_Command5);
    EXPECT_FALSE(KeyIn(HKEY_CURRENT_USER, guid));
    EXPECT_EQ(ItemCount(), 0);
}

TEST_F(ButtonsTest, RegistryRefusalsAreToldAndLoseNothing) {
    Fill(L"Notes", icon.path());
    const std::wstring refused = main->Text(IDC_Text1);
    registry.Refuse(RegCall::Create, ERROR_ACCESS_DENIED, ExtensionKeyPath(refused));
    Create();

    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].title, L"Button Not Created");
    EXPECT_NE(messages.shown[0].text.find(L"HKEY_LOCAL_MACHINE\\" + ExtensionKeyPath(refused)), std::wstring::npos);
    EXPECT_EQ(main->Text(IDC_Text4), L"Notes");
    EXPECT_EQ(main->Text(IDC_Text3), icon.path());
    EXPECT_EQ(main->StatusColor(), kStatusDefaultColor);
    EXPECT_EQ(ItemCount(), 0);
    EXPECT_FALSE(MyButtonsCatalogue(registry).Contains(L"Notes"));

    Click(IDC_Command1);  // a GUID that the registry accepts
    const std::wstring guid = Create();
    ASSERT_TRUE(KeyIn(HKEY_LOCAL_MACHINE, guid));
    Click(IDC_cmdMyKeys);
    ClickItem(0);
    registry.Refuse(RegCall::DeleteKey, ERROR_ACCESS_DENIED);
    Click(IDC_Command5);
    EXPECT_EQ(messages.shown.back().title, L"Button Not Deleted");
    EXPECT_TRUE(KeyIn(HKEY_LOCAL_MACHINE, guid));
    ASSERT_EQ(ItemCount(), 1) << "the button stays listed";
    EXPECT_FALSE(Enabled(IDC_Command5)) << "nothing is selected after the reload";
    for (const auto& shown : messages.shown) EXPECT_EQ(shown.owner, main->Hwnd()) << "every box is modal to the window";
}

TEST_F(ButtonsTest, CreatingWhileMyButtonsShowsLeavesNothingToDelete) {
    Fill(L"Notes", icon.path());
    Create();
    Click(IDC_cmdMyKeys);
    ClickItem(0);
    ASSERT_TRUE(Enabled(IDC_Command5));
    Fill(L"Other", icon.path());
    Create();
    EXPECT_EQ(ItemCount(), 2);
    EXPECT_FALSE(Selected());
    EXPECT_FALSE(Enabled(IDC_Command5));
    main->Command5_Click();  // even called directly, it deletes nothing
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(ItemCount(), 2);
}

TEST_F(ButtonsTest, ItemsMapToTheirEntriesByPlaceNotByTheTextShown) {
    Fill(L"Foo", icon.path());
    const std::wstring foo = Create();
    const std::wstring other = made.Add(CreateGUID());
    const std::wstring name(L"Foo\0Bar", 7);
    ASSERT_EQ(testing::SetCountedValue(HKEY_CURRENT_USER, SectionPath(kCatalogueApplication, kCatalogueSection), name,
                                       other),
              ERROR_SUCCESS);

    Click(IDC_cmdMyKeys);
    ASSERT_EQ(ItemCount(), 2);
    EXPECT_EQ(Item(1), L"Foo") << "the list shows the name up to its NUL";
    ClickItem(1);
    EXPECT_EQ(main->Text(IDC_Label8), other);
    Click(IDC_Command5);
    ASSERT_EQ(ItemCount(), 1);
    ClickItem(0);
    EXPECT_EQ(main->Text(IDC_Label8), foo) << "the other entry is left as it was";
}

TEST_F(ButtonsTest, MissingGuidIsToldAndTheNextAttemptGetsOne) {
    Fill(L"Notes", icon.path());
    main->SetText(IDC_Text1, L"");
    Click(IDC_Command2);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].title, L"Button Not Created");
    EXPECT_EQ(main->Text(IDC_Text4), L"Notes");
    EXPECT_EQ(ItemCount(), 0);

    Create();
    EXPECT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(ItemCount(), 1);
}

TEST_F(ButtonsTest, SecondButtonOfTheSameTextReplacesTheFirstOnYes) {
    const TempFile second{L".bmp", testing::BmpFileBytes(32, 32, RGB(0, 160, 0))};
    Fill(L"Notes", icon.path());
    const std::wstring first = Create();
    Fill(L"Notes", second.path());
    messages.answers = {IDYES};
    const std::wstring replacement = Create();

    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].type, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
    EXPECT_FALSE(KeyIn(HKEY_LOCAL_MACHINE, first));
    ASSERT_EQ(ItemCount(), 1);
    Click(IDC_cmdMyKeys);
    ClickItem(0);
    EXPECT_EQ(main->Text(IDC_Label8), replacement);
    EXPECT_EQ(main->Text(IDC_lblPath), second.path());
    EXPECT_NE(Preview(), nullptr) << "bitmap files preview too";
}

TEST_F(ButtonsTest, ListShowsTheCatalogueAndAnUnloadablePictureLeavesThePreviewEmpty) {
    const TempFile notAPicture{L".ico", std::vector<uint8_t>{'t', 'e', 'x', 't'}};
    Fill(L"Broken", notAPicture.path());
    Create();
    Fill(L"Alpha", icon.path());
    Create();
    Fill(L"Gone", icon.path());
    testing::DeleteButtonKeys(Create());

    Click(IDC_cmdMyKeys);
    ASSERT_EQ(ItemCount(), 3);
    EXPECT_EQ(Item(0), L"Alpha");
    EXPECT_EQ(Item(1), L"Broken");
    EXPECT_EQ(Item(2), L"Gone");
    EXPECT_FALSE(Selected());
    EXPECT_FALSE(Enabled(IDC_Command5));

    ClickItem(0);
    EXPECT_NE(Preview(), nullptr);
    ClickItem(1);
    EXPECT_EQ(main->Text(IDC_lblPath), notAPicture.path());
    EXPECT_EQ(Preview(), nullptr);
    EXPECT_TRUE(Enabled(IDC_Command5));
    ClickItem(2);
    EXPECT_EQ(main->Text(IDC_lblPath), L"");
    EXPECT_TRUE(Enabled(IDC_Command5));

    // The key has gone already: deleting drops the entry without a word.
    Click(IDC_Command5);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(ItemCount(), 2);

    // Entering My Buttons mode after a preview leaves nothing selected.
    ClickItem(0);
    Click(IDC_cmdMyKeys);
    Click(IDC_cmdMyKeys);
    EXPECT_FALSE(Selected());
    EXPECT_EQ(main->Text(IDC_Label8), L"");
    EXPECT_FALSE(Enabled(IDC_Command5));
}

TEST_F(ButtonsTest, DoubleClickOrEnterEditsAndSaveRewritesTheSameKey) {
    Fill(L"Notes", icon.path());
    const std::wstring guid = Create();
    Click(IDC_cmdMyKeys);
    ClickItem(0);
    PostMessageW(Ctl(IDC_List1), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(4, 4));
    Pump();

    ExpectMode(false);
    EXPECT_EQ(main->Text(IDC_Text4), L"Notes");
    EXPECT_EQ(main->Text(IDC_Text3), icon.path());
    EXPECT_EQ(main->Text(IDC_Text1), guid);
    EXPECT_EQ(main->Text(IDC_Command2), L"Save &Button");
    EXPECT_EQ(main->Text(IDC_lblMessage), L"Editing the Notes Button");
    EXPECT_EQ(main->StatusColor(), kStatusCreatedColor);

    main->SetText(IDC_Text6, L"Open Jots");
    Click(IDC_Command2);
    EXPECT_EQ(main->Text(IDC_lblMessage), L"The Notes Button has been saved!");
    EXPECT_EQ(main->Text(IDC_Command2), L"Create &Button");
    EXPECT_EQ(main->Text(IDC_Text4), L"");
    EXPECT_NE(main->Text(IDC_Text1), guid);
    EXPECT_EQ(ValueIn(HKEY_LOCAL_MACHINE, guid, L"MenuText"), L"Open Jots");
    EXPECT_EQ(ItemCount(), 1);

    // Enter on the entry edits too; Make GUID leaves editing with nothing written.
    Click(IDC_cmdMyKeys);
    ClickItem(0);
    PressKey(Ctl(IDC_List1), WM_KEYDOWN, VK_RETURN);
    ASSERT_EQ(main->Text(IDC_Command2), L"Save &Button");
    main->SetText(IDC_Text6, L"Never saved");
    Click(IDC_Command1);
    EXPECT_EQ(main->Text(IDC_Command2), L"Create &Button");
    EXPECT_EQ(main->Text(IDC_Text6), L"");
    EXPECT_EQ(main->Text(IDC_lblMessage), kDefaultStatus);
    EXPECT_EQ(ValueIn(HKEY_LOCAL_MACHINE, guid, L"MenuText"), L"Open Jots");
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(ButtonsTest, ShortcutMenuOfTheSelectedEntryEditsAndDeletes) {
    Fill(L"Notes", icon.path());
    const std::wstring guid = Create();
    Click(IDC_cmdMyKeys);
    // The menu key, or Shift+F10, then the command's access key. With nothing
    // selected no menu opens, so the access key is only a key.
    const auto menuKey = [this](wchar_t choice, bool shiftF10 = false) {
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_SHIFT] = shiftF10 ? 0x80 : 0;
        SetKeyboardState(keys);
        if (shiftF10) {
            PostMessageW(Ctl(IDC_List1), WM_SYSKEYDOWN, VK_F10, 0);
        } else {
            PostMessageW(Ctl(IDC_List1), WM_KEYDOWN, VK_APPS, 0);
            PostMessageW(Ctl(IDC_List1), WM_KEYUP, VK_APPS, 0);
        }
        PostMessageW(Ctl(IDC_List1), WM_CHAR, choice, 0);
        Pump();
        keys[VK_SHIFT] = 0;
        SetKeyboardState(keys);
    };
    SetFocus(Ctl(IDC_List1));
    menuKey(L'e');
    EXPECT_EQ(main->Text(IDC_Command2), L"Create &Button");

    ClickItem(0);
    menuKey(L'e');
    EXPECT_EQ(main->Text(IDC_Command2), L"Save &Button");
    EXPECT_EQ(main->Text(IDC_Text1), guid);

    // Export asks where with the Save As dialog and writes a registry file there.
    const TempFile exported{L".reg", {}};
    Click(IDC_cmdMyKeys);
    ClickItem(0);
    dialogs.answers = {exported.path()};
    menuKey(L'x');
    ASSERT_FALSE(dialogs.requests.empty());
    EXPECT_TRUE(dialogs.requests.back().save);
    EXPECT_EQ(dialogs.requests.back().fileName, L"Notes.reg");
    EXPECT_EQ(dialogs.requests.back().filter, std::wstring(L"Registry files (*.reg)\0*.reg\0", 29));
    std::ifstream file(std::filesystem::path(exported.path()), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(file)), {});
    EXPECT_EQ(bytes.substr(0, 4), std::string("\xFF\xFEW\0", 4)) << "UTF-16 with its byte-order mark";
    EXPECT_NE(main->Text(IDC_lblMessage).find(L"exported"), std::wstring::npos);

    Click(IDC_cmdMyKeys);
    ClickItem(0);
    menuKey(L'd', true);
    EXPECT_EQ(ItemCount(), 0);
    EXPECT_FALSE(KeyIn(HKEY_LOCAL_MACHINE, guid));
}

}  // namespace
}  // namespace barsmith
