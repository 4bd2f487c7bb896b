// Who a button is for, the My Buttons list with several entries selected,
// and the button as the toolbar draws it: through the real main window, with
// real clicks and keys, over the test prefix's registry.
#include <windows.h>

#include <commctrl.h>
#include <sddl.h>
#include <shellapi.h>
#include <windowsx.h>

#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <stdexcept>

#include "extensions/picture_files.h"
#include "mainwindow/my_buttons_reader.h"
#include "mainwindow/restart_form.h"
#include "model/guid.h"
#include "pictures/picture_file.h"
#include "storage/buttons_lock.h"
#include "storage/settings_store.h"
#include "platform/shell.h"
#include "platform/whole_file.h"
#include "support/dpi_checks.h"
#include "support/extension_keys.h"
#include "support/main_window_fixture.h"
#include "support/redirected_run.h"

namespace barsmith {
namespace {

using testing::KeyIn;
using testing::TempFile;
using testing::ValueIn;

class ListAndStripTest : public testing::MainWindowTest {
protected:
    testing::MadeKeys made;
    const TempFile icon{L".ico", testing::IcoFileBytes({20, 16}, RGB(0, 120, 215))};

    void Fill(const std::wstring& buttonText, const std::wstring& iconPath) {
        main->SetText(IDC_ApplicationPath, ExecutableFolder() + L"\\mainwindow_tests.exe");  // a program that is there
        main->SetText(IDC_IconPath, iconPath);
        main->SetText(IDC_HotIconPath, L"");
        main->SetText(IDC_ButtonText, buttonText);
        main->SetText(IDC_MenuText, L"Open " + buttonText);
        main->SetText(IDC_StatusBarText, L"Starts " + buttonText);
        main->SetText(IDC_ToolTip, buttonText);
    }
    std::wstring Create(const std::wstring& buttonText) {
        Fill(buttonText, icon.path());
        const std::wstring guid = made.Add(main->NextGuid());
        Click(IDC_CreateButton);
        return guid;
    }
    HWND List() const { return Ctl(IDC_MyButtonsList); }
    LPARAM ItemPoint(int index) const {
        RECT item{LVIR_LABEL, 0, 0, 0};
        SendMessageW(List(), LVM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&item));
        return MAKELPARAM(item.left + 4, (item.top + item.bottom) / 2);
    }
    // Both halves of the click are posted first: the list waits for the button's release.
    void ClickItem(int index, bool control = false) {
        const WPARAM held = control ? MK_CONTROL : 0;
        Holding(control ? VK_CONTROL : 0, [&] {
            PostMessageW(List(), WM_LBUTTONDOWN, MK_LBUTTON | held, ItemPoint(index));
            PostMessageW(List(), WM_LBUTTONUP, held, ItemPoint(index));
        });
    }
    std::vector<std::wstring> Column(ListColumn column) const {
        std::vector<std::wstring> texts;
        for (size_t i = 0; i < main->ListCount(); ++i) texts.push_back(main->ListText(i, column));
        return texts;
    }
};

// A standard user: the form offers "Only for me" first; "everyone" bears the
// shield, and pressing Create offers to start again as administrator.
TEST_F(ListAndStripTest, AStandardUserMakesHisOwnButtonsAndIsOfferedTheAdministratorsForEveryone) {
    elevation.elevated = false;
    Open(dialogs);
    EXPECT_TRUE(Checked(IDC_CurrentUserOnly));
    EXPECT_FALSE(Checked(IDC_AllUsers));
    EXPECT_FALSE(main->NeedsElevation());
    const std::wstring mine = Create(L"Mine");
    EXPECT_TRUE(KeyIn(HKEY_CURRENT_USER, mine));
    EXPECT_FALSE(KeyIn(HKEY_LOCAL_MACHINE, mine));
    EXPECT_TRUE(elevation.started.empty());

    Click(IDC_AllUsers);
    EXPECT_TRUE(main->NeedsElevation()) << "the shield is on Create";
    Fill(L"Shared \"one\"", icon.path());
    main->SetText(IDC_HotIconPath, L"C:\\Hot Icons\\");
    const std::wstring guid = made.Add(main->NextGuid());
    struct Answer {
        int question;
        ElevatedStart system;
        bool asked;      // the system was asked to start the copy
        bool closed;     // this window closed
    };
    const int goneBefore = lastFormGone;  // the window opened first has gone
    for (const Answer answer : {Answer{IDNO, ElevatedStart::Started, false, false},
                                Answer{IDYES, ElevatedStart::Declined, true, false},
                                Answer{IDYES, ElevatedStart::Failed, true, false},
                                Answer{IDYES, ElevatedStart::Started, true, true}}) {
        SCOPED_TRACE(answer.question == IDNO ? L"no" : L"yes");
        elevation.started.clear();
        elevation.answer = answer.system;
        messages.answers = {answer.question};
        Click(IDC_CreateButton);
        EXPECT_EQ(elevation.started.size(), answer.asked ? 1u : 0u);
        EXPECT_EQ(lastFormGone - goneBefore, answer.closed ? 1 : 0);
        EXPECT_FALSE(KeyIn(HKEY_LOCAL_MACHINE, guid) || KeyIn(HKEY_CURRENT_USER, guid)) << "nothing written here";
    }
    EXPECT_EQ(messages.shown[0].title, L"Administrator Needed");
    EXPECT_EQ(messages.shown[0].type, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
    EXPECT_EQ(messages.shown.size(), 5u) << "four questions, and the failure told";

    // The new copy gets the form back from the command line as the system splits it.
    int count = 0;
    const std::wstring commandLine = L"barsmith.exe " + elevation.started.back().parameters;
    const UniqueLocalMemory split(CommandLineToArgvW(commandLine.c_str(), &count));
    const auto* argv = static_cast<wchar_t**>(split.get());
    const std::optional<FormStart> start = ParseFormStart(std::vector<std::wstring>(argv + 1, argv + count));
    ASSERT_TRUE(start);
    EXPECT_EQ(start->form.buttonText, L"Shared \"one\"");
    EXPECT_EQ(start->form.hotIcon, L"C:\\Hot Icons\\");
    EXPECT_EQ(start->form.icon, icon.path());
    EXPECT_EQ(start->form.rootKey, HKEY_LOCAL_MACHINE);
    EXPECT_FALSE(start->editedEntry);
}

TEST_F(ListAndStripTest, AFormHandedOverFillsTheWindowAndOddCommandLinesAreNone) {
    FormStart start;
    start.form.script = true;
    start.form.exec = L"C:\\Scripts\\run.js";
    start.form.buttonText = L"Run";
    start.form.menuText = L"Run it";
    start.form.rootKey = HKEY_CURRENT_USER;
    start.form.defaultVisible = false;
    main->StartWith(start);
    EXPECT_TRUE(Checked(IDC_RunsScript));
    EXPECT_EQ(main->Text(IDC_ApplicationPath), L"C:\\Scripts\\run.js");
    EXPECT_EQ(main->Text(IDC_MenuText), L"Run it");
    EXPECT_TRUE(Checked(IDC_CurrentUserOnly));
    EXPECT_FALSE(Checked(IDC_ButtonVisible));

    for (const std::vector<std::wstring>& odd : std::vector<std::vector<std::wstring>>{
             {}, {L"create", L"--text", L"x"}, {L"window", L"--text"}, {L"window", L"--guid", L"{x}"},
             {L"window", L"--edit"}}) {
        EXPECT_FALSE(ParseFormStart(odd)) << odd.size();
    }
}

TEST_F(ListAndStripTest, ListShowsKindPlaceAndStateAndSortsByAnyColumn) {
    Create(L"Zulu");
    Click(IDC_RunsScript);
    Create(L"Alpha");
    Click(IDC_CurrentUserOnly);
    Click(IDC_MenuOnly);
    Create(L"Mike");
    const std::wstring gone = Create(L"Gone");
    testing::DeleteButtonKeys(gone);
    Click(IDC_SwitchView);

    EXPECT_EQ(Column(ListColumn::Text), (std::vector<std::wstring>{L"Alpha", L"Gone", L"Mike", L"Zulu"}));
    EXPECT_EQ(Column(ListColumn::Kind), (std::vector<std::wstring>{L"script", L"-", L"menu item", L"program"}));
    EXPECT_EQ(Column(ListColumn::For), (std::vector<std::wstring>{L"everyone", L"-", L"only me", L"everyone"}));
    EXPECT_EQ(Column(ListColumn::State), (std::vector<std::wstring>{L"ok", L"no key", L"ok", L"ok"}));
    // A click on a column's header sorts by it, a second click the other way.
    NMLISTVIEW click{};
    click.hdr = {List(), IDC_MyButtonsList, LVN_COLUMNCLICK};
    click.iItem = -1;
    click.iSubItem = static_cast<int>(ListColumn::Kind);
    SendMessageW(main->Hwnd(), WM_NOTIFY, IDC_MyButtonsList, reinterpret_cast<LPARAM>(&click));
    EXPECT_EQ(Column(ListColumn::Text), (std::vector<std::wstring>{L"Gone", L"Mike", L"Zulu", L"Alpha"}));
    SendMessageW(main->Hwnd(), WM_NOTIFY, IDC_MyButtonsList, reinterpret_cast<LPARAM>(&click));
    EXPECT_EQ(Column(ListColumn::Text), (std::vector<std::wstring>{L"Alpha", L"Zulu", L"Mike", L"Gone"}));
    // The selection stays with its entry.
    ClickItem(1);
    main->SortBy(ListColumn::For);
    EXPECT_EQ(main->SelectedEntries(), std::vector<std::wstring>{L"Zulu"});
}

TEST_F(ListAndStripTest, SeveralSelectedAreDeletedWithTheDeleteKeyAfterOneQuestion) {
    const std::wstring one = Create(L"One");
    const std::wstring two = Create(L"Two");
    const std::wstring three = Create(L"Three");
    Click(IDC_SwitchView);
    ASSERT_EQ(main->ListCount(), 3u);
    ClickItem(0);
    ClickItem(2, true);  // One and Two: the list is sorted by text
    EXPECT_EQ(main->SelectedEntries(), (std::vector<std::wstring>{L"One", L"Two"}));
    EXPECT_TRUE(Enabled(IDC_DeleteSelected));

    SetFocus(List());
    messages.answers = {IDNO};
    PressKey(List(), WM_KEYDOWN, VK_DELETE);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_NE(messages.shown[0].text.find(L"Delete the 2 selected buttons?"), std::wstring::npos);
    EXPECT_TRUE(KeyIn(HKEY_LOCAL_MACHINE, one) && KeyIn(HKEY_LOCAL_MACHINE, two));

    messages.answers = {IDYES};
    PressKey(List(), WM_KEYDOWN, VK_DELETE);
    EXPECT_FALSE(KeyIn(HKEY_LOCAL_MACHINE, one) || KeyIn(HKEY_LOCAL_MACHINE, two));
    EXPECT_TRUE(KeyIn(HKEY_LOCAL_MACHINE, three));
    EXPECT_EQ(Column(ListColumn::Text), std::vector<std::wstring>{L"Three"});
    EXPECT_EQ(main->Text(IDC_Status), L"2 of 2 buttons deleted.");
    EXPECT_EQ(messages.shown.size(), 2u);
}

TEST_F(ListAndStripTest, ShortcutMenuExportsEverySelectedEntry) {
    const std::wstring one = Create(L"One");
    const std::wstring two = Create(L"Two");
    Click(IDC_SwitchView);
    ClickItem(0);
    ClickItem(1, true);
    const TempFile exported{L".reg", {}};
    dialogs.answers = {exported.path()};
    // Right-click on a selected item, then the menu's access key for Export.
    POINT at{GET_X_LPARAM(ItemPoint(1)), GET_Y_LPARAM(ItemPoint(1))};
    ClientToScreen(List(), &at);
    PostMessageW(List(), WM_CHAR, L'x', 0);
    SendMessageW(List(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(List()), MAKELPARAM(at.x, at.y));
    Pump();
    ASSERT_FALSE(dialogs.requests.empty());
    EXPECT_EQ(dialogs.requests.back().fileName, L"My Buttons.reg");
    const std::string bytes = ReadWholeFile(exported.path(), 1u << 20).value_or("");
    const std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2);
    EXPECT_NE(text.find(one), std::wstring::npos);
    EXPECT_NE(text.find(two), std::wstring::npos);
    EXPECT_EQ(main->SelectedEntries().size(), 2u) << "the menu acted on the selection as it was";
}

// The strip draws the form's icons at the toolbar's sizes and says which size
// an icon lacks; it follows the selected entry in My Buttons.
TEST_F(ListAndStripTest, TheStripTellsOfEachSizeAnIconLacks) {
    const TempFile big{L".ico", testing::IcoFileBytes({32, 48}, RGB(200, 0, 0))};
    const TempFile twenty{L".ico", testing::IcoFileBytes({20}, RGB(0, 200, 0))};
    struct Row {
        const std::wstring* icon;
        const std::wstring* hot;
        std::vector<std::wstring> notices;
    };
    const std::wstring none;
    const Row rows[] = {
        {&icon.path(), &none, {}},
        {&big.path(), &none, {L"Icon: no 20\u00D720 image: the toolbar will scale the 32\u00D732 one"}},
        {&icon.path(), &twenty.path(), {L"Hot Icon: no 16\u00D716 image: the toolbar will scale the 20\u00D720 one"}},
        {&twenty.path(), &big.path(),
         {L"Icon: no 16\u00D716 image: the toolbar will scale the 20\u00D720 one",
          L"Hot Icon: no 20\u00D720 image: the toolbar will scale the 32\u00D732 one"}},
    };
    for (const Row& row : rows) {
        main->SetText(IDC_IconPath, *row.icon);
        main->SetText(IDC_HotIconPath, *row.hot);
        EXPECT_EQ(main->Strip().Notices(), row.notices) << *row.icon;
        EXPECT_EQ(testing::IconWidth(main->Strip().Picture(0)), 20);
        EXPECT_EQ(testing::IconWidth(main->Strip().Picture(2)), 16);
    }
    // Drawn as the toolbar draws it: the picture of the default state, centred at the top of its third.
    main->SetText(IDC_IconPath, icon.path());
    const HWND strip = Ctl(IDC_ToolbarStrip);
    RedrawWindow(strip, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    RECT client{};
    GetClientRect(strip, &client);
    const WindowDC dc(strip);
    EXPECT_EQ(GetPixel(dc.get(), client.right / 6, 3 + 10), RGB(0, 120, 215));
    Click(IDC_MenuOnly);
    EXPECT_TRUE(main->Strip().Notices().empty()) << "a menu item has no button";
    Click(IDC_MenuOnly);

    Fill(L"Big", big.path());
    made.Add(main->NextGuid());
    Click(IDC_CreateButton);
    Click(IDC_SwitchView);
    EXPECT_TRUE(main->Strip().Notices().empty()) << "nothing selected";
    ClickItem(0);
    EXPECT_EQ(main->Strip().Notices().size(), 1u);
    EXPECT_EQ(main->ListText(0, ListColumn::State), L"icon scaled") << "as the check finds";
}

// While another copy holds the buttons lock the list says it is reading, and
// the window goes on answering; a sort chosen meanwhile orders the rows that come.
TEST_F(ListAndStripTest, TheListSaysItIsReadingAndTheWindowAnswersUntilTheRowsCome) {
    Create(L"Zulu");
    Click(IDC_RunsScript);
    Create(L"Alpha");
    std::optional<ButtonsLock> otherCopy(std::in_place);
    ASSERT_TRUE(otherCopy->Held());
    SendMessageW(Ctl(IDC_SwitchView), BM_CLICK, 0, 0);
    Pump(false);
    EXPECT_TRUE(main->ReadingList());
    EXPECT_EQ(SendMessageW(List(), LVM_GETITEMCOUNT, 0, 0), 1);
    EXPECT_EQ(main->ListCount(), 0u);
    // That one item is drawn in grey across the row, as no column is wide enough for it.
    RedrawWindow(List(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    RECT row{LVIR_BOUNDS, 0, 0, 0};
    SendMessageW(List(), LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row));
    const WindowDC dc(List());
    int grey = 0;  // pixels of the text past the first column
    for (int x = ListView_GetColumnWidth(List(), 0); x < row.right; ++x) {
        for (int y = row.top; y < row.bottom; ++y) grey += GetPixel(dc.get(), x, y) == GetSysColor(COLOR_GRAYTEXT);
    }
    EXPECT_GT(grey, 0);
    main->SortBy(ListColumn::Kind);
    // The item stands for no entry: selected, there is nothing to delete or edit.
    PostMessageW(List(), WM_LBUTTONDOWN, MK_LBUTTON, ItemPoint(0));
    PostMessageW(List(), WM_LBUTTONUP, 0, ItemPoint(0));
    Pump(false);
    EXPECT_EQ(SendMessageW(List(), LVM_GETSELECTEDCOUNT, 0, 0), 1);
    EXPECT_FALSE(Enabled(IDC_DeleteSelected));
    PostMessageW(List(), WM_KEYDOWN, VK_DELETE, 0);
    PostMessageW(List(), WM_KEYDOWN, VK_RETURN, 0);
    Pump(false);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_FALSE(main->EditedEntry());
    EXPECT_TRUE(main->ReadingList()) << "still waiting for the lock";

    otherCopy.reset();
    Pump();
    EXPECT_FALSE(main->ReadingList());
    EXPECT_EQ(Column(ListColumn::Text), (std::vector<std::wstring>{L"Zulu", L"Alpha"})) << "program, then script";
    // Rows of one word go by their text, the other way round when sorted so.
    main->SortBy(ListColumn::For);
    EXPECT_EQ(Column(ListColumn::Text), (std::vector<std::wstring>{L"Alpha", L"Zulu"}));
    main->SortBy(ListColumn::For);
    EXPECT_EQ(Column(ListColumn::Text), (std::vector<std::wstring>{L"Zulu", L"Alpha"}));
    EXPECT_EQ(SendMessageW(List(), LVM_GETSELECTEDCOUNT, 0, 0), 0) << "the reading item's selection went with it";
    EXPECT_TRUE(messages.shown.empty());
}

// The reader's registry: its first listing of values waits until the test lets
// it go, and it can fail as a broken registry would.
class GatedRegistry final : public testing::RecordingRegistry {
public:
    LSTATUS EnumValue(HKEY key, DWORD index, wchar_t* name, DWORD* nameLength, DWORD* type, BYTE* data,
                      DWORD* size) override {
        if (fail) throw std::runtime_error("the registry broke");
        if (!passed_.exchange(true)) {
            SetEvent(entered.get());
            WaitForSingleObject(released.get(), 30000);
        }
        return RecordingRegistry::EnumValue(key, index, name, nameLength, type, data, size);
    }
    const UniqueKernelHandle entered{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    const UniqueKernelHandle released{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    std::atomic<bool> fail{false};

private:
    std::atomic<bool> passed_{false};
};

using UniqueWindow = UniqueHandle<NullHandleTraits<HWND, DestroyWindow>>;
constexpr UINT kRead = WM_APP + 7;

// The reading numbers posted to `window`, until one comes (at most 30 s) and a little while after.
std::vector<WPARAM> PostedReadings(HWND window) {
    std::vector<WPARAM> numbers;
    const ULONGLONG until = GetTickCount64() + 30000;
    ULONGLONG quietAfter = 0;
    while (GetTickCount64() < (numbers.empty() ? until : quietAfter)) {
        MSG msg;
        if (PeekMessageW(&msg, window, kRead, kRead, PM_REMOVE)) {
            numbers.push_back(msg.wParam);
            quietAfter = GetTickCount64() + 200;
        } else {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_POSTMESSAGE);
        }
    }
    return numbers;
}

// A reading asked for again while one is under way: the first one's rows,
// perhaps out of date, are never handed over; the list is read again.
TEST(MyButtonsReader, ARowsReadBeforeTheLastRequestAreDroppedAndReadAgain) {
    constexpr wchar_t kApplication[] = L"Barsmith reader test";
    GatedRegistry registry;
    SystemRegistry direct;
    const MyButtonsCatalogue catalogue(direct, kApplication);
    const std::wstring section = SectionPath(kApplication, kCatalogueSection);
    RegDeleteTreeW(HKEY_CURRENT_USER, section.c_str());
    ASSERT_EQ(catalogue.Record(L"Early", L"{00000000-0000-0000-0000-000000000001}"), ERROR_SUCCESS);
    const UniqueWindow window(CreateWindowExW(0, L"STATIC", nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                                              nullptr));
    {
        MyButtonsReader reader(registry, kApplication);
        EXPECT_FALSE(reader.Pending());
        reader.Request(window.get(), kRead, L"");
        ASSERT_EQ(WaitForSingleObject(registry.entered.get(), 30000), WAIT_OBJECT_0);
        ASSERT_EQ(catalogue.Record(L"Late", L"{00000000-0000-0000-0000-000000000002}"), ERROR_SUCCESS);
        reader.Request(window.get(), kRead, L"");
        EXPECT_TRUE(reader.Pending());
        SetEvent(registry.released.get());

        EXPECT_EQ(PostedReadings(window.get()), std::vector<WPARAM>{2});
        EXPECT_FALSE(reader.Take(1)) << "an earlier reading";
        const std::optional<MyButtonsReading> rows = reader.Take(2);
        ASSERT_TRUE(rows && *rows);
        std::vector<std::wstring> entries;
        for (const MyButtonsRow& row : **rows) entries.push_back(row.entry);
        EXPECT_EQ(entries, (std::vector<std::wstring>{L"Early", L"Late"}));
        EXPECT_FALSE(reader.Take(2)) << "taken once";
        EXPECT_FALSE(reader.Pending());

        // What goes wrong on the reader's thread comes out where the rows are taken.
        registry.fail = true;
        reader.Request(window.get(), kRead, L"");
        EXPECT_EQ(PostedReadings(window.get()), std::vector<WPARAM>{3});
        EXPECT_THROW(reader.Take(3), std::runtime_error);
        EXPECT_FALSE(reader.Pending());
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, section.c_str());
}

// The sample icons beside the program have the toolbar's sizes, so that
// neither the strip nor the check flags any of them, and the full-screen one.
TEST(SampleIconsTest, EverySampleIconHasTheToolbarSizes) {
    const std::filesystem::path folder = std::filesystem::path(ExecutableFolder()) / L"Icons";
    size_t icons = 0;
    for (const auto& file : std::filesystem::directory_iterator(folder)) {
        const std::wstring path = file.path().wstring();
        SCOPED_TRACE(path);
        const std::optional<std::vector<int>> sides = PictureImageSides(path);
        ASSERT_TRUE(sides);
        for (const int side : {16, 20, 32}) EXPECT_NE(std::find(sides->begin(), sides->end(), side), sides->end()) << side;
        ++icons;
    }
    EXPECT_GE(icons, 5u);
}

// barsmith.exe started as a user without the administrator's rights would
// be: with a token whose Administrators group only denies, while the
// machine-wide Extensions key gives that group alone the right to change it,
// as on a computer where the user is not an administrator.
class StandardUserRun {
public:
    StandardUserRun() {
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, kExtensionsPath, 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr,
                        &extensions_, nullptr);
        DWORD size = sizeof old_;
        kept_ = RegGetKeySecurity(extensions_, DACL_SECURITY_INFORMATION, old_, &size) == ERROR_SUCCESS;
        PSECURITY_DESCRIPTOR only = nullptr;
        ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;;KA;;;BA)(A;;KA;;;SY)(A;;KR;;;BU)",
                                                             SDDL_REVISION_1, &only, nullptr);
        const UniqueLocalMemory freed(only);
        if (kept_) kept_ = RegSetKeySecurity(extensions_, DACL_SECURITY_INFORMATION, only) == ERROR_SUCCESS;
        HANDLE own = nullptr;
        OpenProcessToken(GetCurrentProcess(), TOKEN_ALL_ACCESS, &own);
        const UniqueKernelHandle token(own);
        PSID administrators = nullptr;
        ConvertStringSidToSidW(L"BA", &administrators);
        const UniqueLocalMemory freedSid(administrators);
        SID_AND_ATTRIBUTES denyOnly{administrators, 0};
        HANDLE restricted = nullptr;
        CreateRestrictedToken(token.get(), 0, 1, &denyOnly, 0, nullptr, 0, nullptr, &restricted);
        token_.reset(restricted);
    }
    StandardUserRun(const StandardUserRun&) = delete;
    StandardUserRun& operator=(const StandardUserRun&) = delete;
    ~StandardUserRun() {
        std::filesystem::remove_all(outputs_);
        if (kept_) RegSetKeySecurity(extensions_, DACL_SECURITY_INFORMATION, old_);
        RegCloseKey(extensions_);
    }
    bool Ready() const { return kept_ && token_; }

    // barsmith.exe with the arguments (each quoted), as that user; its outputs as written.
    testing::RedirectedRun Barsmith(const std::wstring& arguments) const {
        return testing::RunRedirected({}, L"\"" + ExecutableFolder() + L"\\barsmith.exe\" " + arguments, outputs_,
                                      token_.get());
    }

private:
    HKEY extensions_ = nullptr;
    alignas(8) BYTE old_[4096]{};
    bool kept_ = false;
    UniqueKernelHandle token_;
    const std::filesystem::path outputs_ = [] {
        const std::filesystem::path folder = std::filesystem::temp_directory_path() / (L"standard user " + CreateGUID());
        std::filesystem::create_directories(folder);
        return folder;
    }();
};

// A machine-wide create, replacement or removal without the right to write
// there fails with exit code 1 and one line naming --user and an elevated
// prompt, and changes nothing; the user's own buttons are still made.
TEST_F(ListAndStripTest, AMachineWideChangeWithoutTheRightFailsInOneLineNamingUserAndAnElevatedPrompt) {
    const std::wstring shared = Create(L"Shared");
    const std::wstring options =
        L" --program C:\\Tools\\a.exe --icon C:\\a.ico --menu-text Menu --status-text Status --tooltip Tip";
    std::optional<StandardUserRun> standardUser(std::in_place);
    ASSERT_TRUE(standardUser->Ready());
    struct Row {
        std::wstring arguments;
        DWORD exit;
    };
    const Row rows[] = {
        {L"create --text \"Everyone's\"" + options, 1},
        {L"create --text Shared --replace" + options, 1},
        {L"remove Shared", 1},
        {L"remove " + shared, 1},
        {L"create --user --text \"Only mine\"" + options, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.arguments);
        const testing::RedirectedRun run = standardUser->Barsmith(row.arguments);
        EXPECT_EQ(run.exit, row.exit);
        if (row.exit == 0) {
            const std::wstring guid(run.out.begin(), run.out.begin() + std::min<size_t>(run.out.size(), 38));
            made.Add(guid);
            EXPECT_TRUE(KeyIn(HKEY_CURRENT_USER, guid)) << run.out;
            continue;
        }
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_TRUE(run.err.ends_with("\r\n")) << run.err;
        EXPECT_NE(run.err.find("--user"), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("elevated prompt"), std::string::npos) << run.err;
    }
    standardUser.reset();
    EXPECT_TRUE(KeyIn(HKEY_LOCAL_MACHINE, shared)) << "nothing changed";
    EXPECT_EQ(ValueIn(HKEY_LOCAL_MACHINE, shared, L"ButtonText"), L"Shared");
    Click(IDC_SwitchView);
    EXPECT_EQ(Column(ListColumn::Text), (std::vector<std::wstring>{L"Only mine", L"Shared"}));
}

}  // namespace
}  // namespace barsmith
