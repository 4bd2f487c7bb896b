// Registry files: the line each value becomes, and export of catalogued
// buttons, whose every refusal leaves an earlier file as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>

#include "model/guid.h"
#include "formats/registry_file.h"
#include "operations/toolbar_buttons.h"
#include "support/buttons_fixture.h"

namespace barsmith {
namespace {

// A string as the registry holds it: with its terminating NUL, unless `terminated` is false.
std::vector<BYTE> Sz(const std::wstring& text, bool terminated = true) {
    std::vector<BYTE> bytes((text.size() + terminated) * sizeof(wchar_t), 0);
    if (!text.empty()) memcpy(bytes.data(), text.data(), text.size() * sizeof(wchar_t));
    return bytes;
}

TEST(RegistryFileTest, EachValueBecomesTheLineThatRecreatesItsBytes) {
    const struct {
        RegistryValue value;
        std::wstring line;
    } table[] = {
        {{L"Exec", REG_SZ, Sz(L"C:\\Tools\\a \"b\".exe")}, L"\"Exec\"=\"C:\\\\Tools\\\\a \\\"b\\\".exe\""},
        {{L"Menu\"\\", REG_SZ, Sz(L"\x041C\x0435\x043D\x044E \x20AC")},
         L"\"Menu\\\"\\\\\"=\"\x041C\x0435\x043D\x044E \x20AC\""},
        {{L"", REG_SZ, Sz(L"")}, L"@=\"\""},
        {{L"Tip", REG_SZ, Sz(L"a\nb")}, L"\"Tip\"=hex(1):61,00,0a,00,62,00,00,00"},
        {{L"Tip", REG_SZ, Sz(L"a\r")}, L"\"Tip\"=hex(1):61,00,0d,00,00,00"},
        {{L"Tip", REG_SZ, Sz(std::wstring(L"a\0b", 3))}, L"\"Tip\"=hex(1):61,00,00,00,62,00,00,00"},
        {{L"Tip", REG_SZ, Sz(L"a", false)}, L"\"Tip\"=hex(1):61,00"},
        {{L"Tip", REG_SZ, {0x61, 0x00, 0x00}}, L"\"Tip\"=hex(1):61,00,00"},
        {{L"Path", REG_EXPAND_SZ, Sz(L"%A%")}, L"\"Path\"=hex(2):25,00,41,00,25,00,00,00"},
        {{L"N", REG_DWORD, {0x01, 0x02, 0x03, 0xA4}}, L"\"N\"=dword:a4030201"},
        {{L"B", REG_BINARY, {0xAB, 0x01}}, L"\"B\"=hex:ab,01"},
        {{L"Q", REG_QWORD, {}}, L"\"Q\"=hex(b):"},
    };
    for (const auto& row : table) EXPECT_EQ(RegistryFileLine(row.value), row.line);
}

class ExportTest : public testing::ButtonsFixture {
protected:
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / (L"export " + CreateGUID());
    const std::wstring file = (folder / L"buttons.reg").wstring();

    ExportTest() { std::filesystem::create_directories(folder); }
    ~ExportTest() override { std::filesystem::remove_all(folder); }

    ButtonDefinition Created(const std::wstring& text, HKEY root) {
        ButtonDefinition button{made.Add(CreateGUID()), L"a.exe", L"a.ico", L"hot.ico", text, L"M", L"S", L"T"};
        button.rootKey = root;
        EXPECT_EQ(buttons.Create(button).outcome, CreationOutcome::Created);
        return button;
    }
    std::string FileBytes() const {
        std::ifstream in(folder / L"buttons.reg", std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    size_t FilesInFolder() const { return std::distance(std::filesystem::directory_iterator(folder), {}); }
};

TEST_F(ExportTest, EveryKeyOfEachButtonOnceWithItsValuesInTheOrderTheyWereWritten) {
    const ButtonDefinition machine = Created(L"Alpha", HKEY_LOCAL_MACHINE);
    const ButtonDefinition user = Created(L"Beta", HKEY_CURRENT_USER);
    // A value another tool added comes after the button's own.
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, ExtensionKeyPath(machine.guid).c_str(), L"Added", REG_SZ, L"z", 4);
    const std::wstring values =
        L"]\r\n\"Exec\"=\"a.exe\"\r\n\"Icon\"=\"a.ico\"\r\n\"HotIcon\"=\"hot.ico\"\r\n"
        L"\"ButtonText\"=\"Alpha\"\r\n\"CLSID\"=\"{1FBA04EE-3024-11d2-8F1F-0000F87ABD16}\"\r\n"
        L"\"Default Visible\"=\"Yes\"\r\n\"MenuText\"=\"M\"\r\n\"MenuStatusBar\"=\"S\"\r\n"
        L"\"ToolTip\"=\"T\"\r\n\"Added\"=\"z\"\r\n\r\n[";
    const std::wstring expected = L"\xFEFFWindows Registry Editor Version 5.00\r\n\r\n[" +
                                  FullExtensionKeyPath({HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY}, machine.guid) + values +
                                  FullExtensionKeyPath({HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY}, machine.guid) + L"]";
    std::ofstream(folder / L"buttons.reg") << "earlier";
    for (const std::vector<std::wstring>& entries : {std::vector<std::wstring>{L"alpha", L"Beta", L"Alpha"}, {}}) {
        ASSERT_TRUE(buttons.Export(entries, file));
        const std::string bytes = FileBytes();
        std::wstring text(bytes.size() / 2, L'\0');
        memcpy(text.data(), bytes.data(), text.size() * 2);
        EXPECT_TRUE(text.starts_with(expected)) << "machine views first, each key once";
        EXPECT_GT(text.find(L"[" + FullExtensionKeyPath(HKEY_CURRENT_USER, user.guid) + L"]\r\n"), expected.size());
        EXPECT_EQ(std::count(text.begin(), text.end(), L'['), 3);
        EXPECT_TRUE(text.ends_with(L"\"ToolTip\"=\"T\"\r\n\r\n"));
    }
    EXPECT_EQ(FilesInFolder(), 1u) << "no temporary file is left";
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(ExportTest, RefusalsAreToldAndLeaveAnEarlierFileAsItWas) {
    EXPECT_FALSE(buttons.Export({}, file));
    EXPECT_NE(messages.shown.back().text.find(L"My Buttons is empty"), std::wstring::npos);
    const ButtonDefinition button = Created(L"Alpha", HKEY_LOCAL_MACHINE);
    const std::wstring foreign = made.Add(CreateGUID());
    RegSetKeyValueW(HKEY_CURRENT_USER, ExtensionKeyPath(foreign).c_str(), L"CLSID", REG_SZ, L"{0}", 8);
    catalogue.Record(L"Foreign", foreign);
    catalogue.Record(L"Gone", made.Add(CreateGUID()));
    catalogue.Record(L"Odd", L"..\\Elsewhere");
    // Any program of the user may add values to a button's key: a name with a
    // line break would put lines of its own into the file.
    for (const auto& [text, name] : {std::pair{L"Return", L"x\r[HKEY_CURRENT_USER]"}, {L"Feed", L"y\n@"}}) {
        const ButtonDefinition injected = Created(text, HKEY_LOCAL_MACHINE);
        RegSetKeyValueW(HKEY_LOCAL_MACHINE, ExtensionKeyPath(injected.guid).c_str(), name, REG_SZ, L"", 2);
    }
    std::ofstream(folder / L"buttons.reg") << "earlier";

    const struct {
        std::vector<std::wstring> entries;
        std::wstring path;
        std::optional<testing::RegCall> refused;
        const wchar_t* told;
    } table[] = {
        {{L"Alpha", L"Nope"}, file, {}, L"\"Nope\" is not in My Buttons."},
        {{L"Foreign"}, file, {}, L"is no toolbar button made by Barsmith"},
        {{L"Gone"}, file, {}, L"has no registry key in either hive"},
        {{L"Odd"}, file, {}, L"is no GUID"},
        {{L"Alpha", L"Return"}, file, {}, L"holds the value \"x\\u000D[HKEY_CURRENT_USER]\", whose name no registry"},
        {{}, file, {}, L"holds the value \"y\\u000A@\""},
        {{L"Alpha"}, (folder / L"missing" / L"b.reg").wstring(), {}, L"could not be written"},
        {{L"Alpha"}, file, testing::RegCall::Enum, L"could not be read"},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.told);
        if (row.refused) api.Refuse(*row.refused);
        messages.shown.clear();
        EXPECT_FALSE(buttons.Export(row.entries, row.path));
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].title, L"Buttons Not Exported");
        EXPECT_NE(messages.shown[0].text.find(row.told), std::wstring::npos) << messages.shown[0].text;
        EXPECT_NE(messages.shown[0].text.find(L"Nothing was written."), std::wstring::npos);
        EXPECT_EQ(FileBytes(), "earlier");
        EXPECT_EQ(FilesInFolder(), 1u);
    }
    EXPECT_TRUE(testing::KeyIn(HKEY_LOCAL_MACHINE, button.guid));
}

}  // namespace
}  // namespace barsmith
