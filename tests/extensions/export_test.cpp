// Registry files: the line each value becomes, and export of catalogued
// buttons to every format, whose every refusal leaves an earlier file as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>

#include "model/guid.h"
#include "formats/registry_file.h"
#include "operations/export.h"
#include "operations/toolbar_buttons.h"
#include "platform/user_account.h"
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
        EXPECT_EQ(buttons.Create(button, {}).kind, ButtonOutcome::Kind::Created);
        return button;
    }
    std::string FileBytes() const {
        std::ifstream in(folder / L"buttons.reg", std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    size_t FilesInFolder() const { return std::distance(std::filesystem::directory_iterator(folder), {}); }
    ExportOutcome Export(const std::vector<std::wstring>& entries, const std::wstring& path,
                         ExportFormat format = ExportFormat::RegistryFile) {
        ExportRequest request;
        request.entries = entries;
        request.path = path;
        request.format = format;
        request.package = {L"Export test", L"1.0.0", L"Tests"};
        return ExportButtons(api, catalogue, request);
    }
};

TEST_F(ExportTest, EveryKeyOfEachButtonOnceWithItsValuesInTheOrderTheyWereWritten) {
    const ButtonDefinition machine = Created(L"Alpha", HKEY_LOCAL_MACHINE);
    const ButtonDefinition user = Created(L"Beta", HKEY_CURRENT_USER);
    // A value another tool added comes after the button's own.
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, ExtensionKeyPath(machine.guid).c_str(), L"Added", REG_SZ, L"z", 4);
    // Value names are the registry's, whose case does not count: "clsid" still makes the key a button.
    RegDeleteKeyValueW(HKEY_CURRENT_USER, ExtensionKeyPath(user.guid).c_str(), L"CLSID");
    RegSetKeyValueW(HKEY_CURRENT_USER, ExtensionKeyPath(user.guid).c_str(), L"clsid", REG_SZ, kRunProgramButtonClsid,
                    static_cast<DWORD>((wcslen(kRunProgramButtonClsid) + 1) * sizeof(wchar_t)));
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
        const ExportOutcome outcome = Export(entries, file);
        ASSERT_EQ(outcome.kind, ExportOutcome::Kind::Exported);
        EXPECT_EQ(outcome.exported, 2u);
        const std::string bytes = FileBytes();
        std::wstring text(bytes.size() / 2, L'\0');
        memcpy(text.data(), bytes.data(), text.size() * 2);
        EXPECT_TRUE(text.starts_with(expected)) << "machine views first, each key once";
        EXPECT_GT(text.find(L"[" + FullExtensionKeyPath(HKEY_CURRENT_USER, user.guid) + L"]\r\n"), expected.size());
        EXPECT_EQ(std::count(text.begin(), text.end(), L'['), 3);
        EXPECT_TRUE(text.ends_with(L"\"ToolTip\"=\"T\"\r\n\r\n"));
    }
    EXPECT_EQ(FilesInFolder(), 1u) << "no temporary file is left";
}

// Texts of My Buttons, keys and values of other programs, in every format:
// each refusal names what it refuses, and leaves the earlier file as it was.
TEST_F(ExportTest, RefusalsNameWhatTheyRefuseInEveryFormatAndLeaveAnEarlierFileAsItWas) {
    using Kind = ExportOutcome::Kind;
    using Why = UnfitValue::Why;
    constexpr auto reg = ExportFormat::RegistryFile;
    constexpr auto gpp = ExportFormat::GroupPolicy;
    constexpr auto msi = ExportFormat::Package;
    EXPECT_EQ(Export({}, file, gpp).kind, Kind::Empty);
    const ButtonDefinition alpha = Created(L"Alpha", HKEY_LOCAL_MACHINE);
    const ButtonDefinition beta = Created(L"Beta", HKEY_CURRENT_USER);
    const ButtonDefinition gamma = Created(L"Gamma", HKEY_LOCAL_MACHINE);
    const std::wstring key = ExtensionKeyPath(gamma.guid);
    const auto set = [&](const wchar_t* name, DWORD type, const void* data, DWORD size) {
        RegSetKeyValueW(HKEY_LOCAL_MACHINE, key.c_str(), name, type, data, size);
    };
    catalogue.Record(L"Odd\x01", alpha.guid);
    catalogue.Record(L"Tab\tin text", Created(L"Tabbed", HKEY_LOCAL_MACHINE).guid);
    std::ofstream(folder / L"buttons.reg") << "earlier";

    const struct {
        const wchar_t* name;  // of the value set in Gamma's 64-bit view, or none
        DWORD type;
        std::wstring data;    // its bytes
        std::vector<std::wstring> entries;
        ExportFormat format;
        Kind kind;
        Why why;
    } table[] = {
        {nullptr, 0, {}, {L"Alpha", L"Beta"}, gpp, Kind::MixedHives, {}},
        {nullptr, 0, {}, {}, msi, Kind::MixedHives, {}},
        {nullptr, 0, {}, {L"Odd\x01"}, gpp, Kind::Unfit, Why::EntryText},
        {L"x\x01y", REG_SZ, std::wstring(L"v\0", 2), {L"Gamma"}, gpp, Kind::Unfit, Why::Name},
        {L"x\ny", REG_SZ, std::wstring(L"v\0", 2), {L"Gamma"}, reg, Kind::Unfit, Why::Name},
        {L"Count", REG_DWORD, std::wstring(L"\x0001\0", 2), {L"Gamma"}, gpp, Kind::Unfit, Why::NotText},
        {L"Count", REG_DWORD, std::wstring(L"\x0001\0", 2), {L"Gamma"}, msi, Kind::Unfit, Why::NotText},
        {L"Path", REG_EXPAND_SZ, std::wstring(L"%A%\0", 4), {L"Gamma"}, gpp, Kind::Unfit, Why::NotText},
        {L"Nul", REG_SZ, std::wstring(L"a\0b\0", 4), {L"Gamma"}, msi, Kind::Unfit, Why::NotText},
        {L"Bell", REG_SZ, std::wstring(L"\a\0", 2), {L"Gamma"}, gpp, Kind::Unfit, Why::Character},
        {L"Half", REG_SZ, std::wstring(L"\xD800x\0", 3), {L"Gamma"}, gpp, Kind::Unfit, Why::Character},
        {L"Empty", REG_SZ, std::wstring(L"\0", 1), {L"Gamma"}, msi, Kind::Unfit, Why::Empty},
        {L"Thai", REG_SZ, std::wstring(L"\x0E01\x00DC\0", 3), {L"Gamma"}, msi, Kind::Unfit, Why::Character},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(std::to_wstring(&row - table));
        if (row.name) set(row.name, row.type, row.data.data(), static_cast<DWORD>(row.data.size() * sizeof(wchar_t)));
        const ExportOutcome outcome = Export(row.entries, file, row.format);
        EXPECT_EQ(outcome.kind, row.kind);
        if (row.kind == Kind::Unfit) {
            EXPECT_EQ(outcome.why, row.why);
            if (row.name) {
                EXPECT_EQ(outcome.value, row.name);
                EXPECT_EQ(outcome.key, FullExtensionKeyPath({HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY}, gamma.guid));
            }
        }
        if (row.kind == Kind::MixedHives) {
            ASSERT_FALSE(outcome.machineEntries.empty());
            EXPECT_EQ(outcome.machineEntries.front(), L"Alpha");
            EXPECT_EQ(outcome.userEntries, (std::vector<std::wstring>{L"Beta"}));
        }
        if (row.name) RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, key.c_str(), row.name);
        EXPECT_EQ(FileBytes(), "earlier");
        EXPECT_EQ(FilesInFolder(), 1u);
    }
    // What one format refuses another carries: a tab in a text is a character reference in XML.
    EXPECT_EQ(Export({L"Tab\tin text"}, file, gpp).kind, Kind::Exported);
    EXPECT_NE(FileBytes().find("name=\"Tab&#9;in text\""), std::string::npos);
}

TEST_F(ExportTest, RefusalsSayWhyAndLeaveAnEarlierFileAsItWas) {
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
    // A program of the user may put a link in place of a per-user button's
    // key: the export never reads through it, whatever it names.
    const testing::ScratchKey elsewhere;
    RegSetKeyValueW(HKEY_CURRENT_USER, elsewhere.path().c_str(), L"CLSID", REG_SZ, kRunProgramButtonClsid,
                    static_cast<DWORD>((wcslen(kRunProgramButtonClsid) + 1) * sizeof(wchar_t)));
    const std::wstring linked = made.Add(CreateGUID());
    HKEY link = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, ExtensionKeyPath(linked).c_str(), 0, nullptr,
                    REG_OPTION_CREATE_LINK | REG_OPTION_VOLATILE, KEY_ALL_ACCESS | KEY_CREATE_LINK, nullptr, &link,
                    nullptr);
    const std::wstring target = L"\\Registry\\User\\" + CurrentUserSid() + L"\\" + elsewhere.path();
    RegSetValueExW(link, L"SymbolicLinkValue", 0, REG_LINK, reinterpret_cast<const BYTE*>(target.c_str()),
                   static_cast<DWORD>(target.size() * sizeof(wchar_t)));
    RegCloseKey(link);
    catalogue.Record(L"Linked", linked);
    std::ofstream(folder / L"buttons.reg") << "earlier";

    const struct {
        std::vector<std::wstring> entries;
        std::wstring path;
        std::optional<testing::RegCall> refused;
        ExportOutcome::Kind kind;
        const wchar_t* entry;  // the entry the outcome names
        const wchar_t* told;   // what the row is about
    } table[] = {
        {{L"Alpha", L"Nope"}, file, {}, ExportOutcome::Kind::NotListed, L"Nope", L"not listed"},
        {{L"Foreign"}, file, {}, ExportOutcome::Kind::NotOurs, L"Foreign", L"another program's key"},
        {{L"Gone"}, file, {}, ExportOutcome::Kind::NoKey, L"Gone", L"no key"},
        {{L"Odd"}, file, {}, ExportOutcome::Kind::NoGuid, L"Odd", L"no GUID"},
        {{L"Alpha", L"Return"}, file, {}, ExportOutcome::Kind::Unfit, L"Return", L"a CR in a value's name"},
        {{L"Feed", L"Alpha"}, file, {}, ExportOutcome::Kind::Unfit, L"Feed", L"an LF in a value's name"},
        {{L"Alpha"}, (folder / L"missing" / L"b.reg").wstring(), {}, ExportOutcome::Kind::FileFailed, L"",
         L"no folder"},
        {{L"Linked"}, file, {}, ExportOutcome::Kind::Unreadable, L"Linked", L"a link for a key"},
        {{L"Alpha"}, file, testing::RegCall::Enum, ExportOutcome::Kind::Unreadable, L"Alpha", L"unreadable"},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.told);
        if (row.refused) api.Refuse(*row.refused);
        const ExportOutcome outcome = Export(row.entries, row.path);
        EXPECT_EQ(outcome.kind, row.kind);
        EXPECT_EQ(outcome.entry, row.entry);
        EXPECT_EQ(FileBytes(), "earlier");
        EXPECT_EQ(FilesInFolder(), 1u);
    }
    EXPECT_TRUE(testing::KeyIn(HKEY_LOCAL_MACHINE, button.guid));
    EXPECT_EQ(SystemRegistry().DeleteKey(HKEY_CURRENT_USER, ExtensionKeyPath(linked), 0), ERROR_SUCCESS);
}

}  // namespace
}  // namespace barsmith
