#include "about/sysinfo.h"

#include <gtest/gtest.h>

#include "about_support.h"
#include "support/fakes.h"

namespace barsmith {
namespace {

using testing::HklmValue;
using testing::ScratchFolder;
using testing::ScriptedMessageBox;
using testing::StartingShell;
using testing::SysInfoEntries;

// Reads the tool's "PATH" entry the way the launcher does.
class GetKeyValueTest : public ::testing::Test {
protected:
    HklmValue value{kSysInfoPathKey, kSysInfoPathValue};
    std::wstring text = L"before";

    SystemRegistry api;
    bool Read() { return GetKeyValue(api, HKEY_LOCAL_MACHINE, kSysInfoPathKey, kSysInfoPathValue, text); }
};

TEST_F(GetKeyValueTest, MissingKeyOrValueGivesFalseAndEmptiesTheText) {
    for (const wchar_t* key : {kSysInfoPathKey, L"SOFTWARE\\Barsmith no such key"}) {
        text = L"before";
        EXPECT_FALSE(GetKeyValue(api, HKEY_LOCAL_MACHINE, key, kSysInfoPathValue, text)) << key;
        EXPECT_EQ(text, L"");
    }
}

TEST_F(GetKeyValueTest, TextUpTo1024BytesLosesOnlyAFinalZeroByteNumbersComeInHexOtherTypesLeaveTheText) {
    const struct {
        DWORD type;
        std::string data;
        bool read;
        std::wstring text;
    } cases[] = {
        {REG_SZ, std::string("C:\\Tools\\info.exe\0", 18), true, L"C:\\Tools\\info.exe"},
        {REG_SZ, "C:\\Tools\\info.exe", true, L"C:\\Tools\\info.exe"},  // without a zero byte: whole
        {REG_SZ, std::string("ab\0\0", 4), true, std::wstring(L"ab\0", 3)},
        {REG_SZ, std::string(1023, 'x') + '\0', true, std::wstring(1023, L'x')},
        {REG_SZ, std::string(1024, 'x') + '\0', false, L""},
        // Bytes from last to first; the zero top byte goes as a final zero byte does.
        {REG_DWORD, std::string("\x05\x01\x00\x00", 4), true, L"&h000105"},
        {REG_DWORD, "\xD0\xC0\xB0\xA0", true, L"&hA0B0C0D0"},
        {REG_BINARY, "\x01\x02", true, L"before"},
        {REG_BINARY, std::string(1024, '\x01'), true, L"before"},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        text = L"before";
        ASSERT_TRUE(value.Set(cases[i].type, cases[i].data));
        EXPECT_EQ(Read(), cases[i].read);
        EXPECT_EQ(text, cases[i].text);
    }
}

TEST_F(GetKeyValueTest, ValueWithoutDataRaisesAnError) {
    ASSERT_TRUE(value.Set(REG_SZ, ""));
    EXPECT_THROW(Read(), EmptyValueError);
    EXPECT_EQ(text, L"before");
}

// Under HKEY_LOCAL_MACHINE a process that is not elevated may read but not write.
TEST_F(GetKeyValueTest, KeyThatRefusesWriteAccessIsReadAllTheSame) {
    ASSERT_TRUE(value.SetText(L"C:\\Tools\\info.exe"));
    testing::RecordingRegistry refusing;
    refusing.Refuse(testing::RegCall::OpenToWrite);
    EXPECT_TRUE(GetKeyValue(refusing, HKEY_LOCAL_MACHINE, kSysInfoPathKey, kSysInfoPathValue, text));
    EXPECT_EQ(text, L"C:\\Tools\\info.exe");
}

// The launcher, with both registry entries cleared first: the registered full
// path, else MSINFO32.EXE in the registered folder, is started quoted in a
// normal window; whatever leaves nothing started shows the message instead.
TEST(StartSysInfoTest, StartsTheRegisteredToolOrTellsItIsUnavailable) {
    using Register = void (*)(SysInfoEntries&, const std::wstring& folder);
    const struct {
        const char* what;
        Register registered;
        const wchar_t* tool;  // the stand-in program put into the folder under this name
        size_t attempts;      // to start a program
    } rows[] = {
        {"nothing", [](SysInfoEntries&, const std::wstring&) {}, nullptr, 0},
        {"the path", [](SysInfoEntries& e, const std::wstring& f) { e.path.SetText(f + L"\\msinfo32.exe"); },
         L"msinfo32.exe", 1},
        {"a path to no file", [](SysInfoEntries& e, const std::wstring& f) { e.path.SetText(f + L"\\no.exe"); },
         nullptr, 1},
        {"a path of another type", [](SysInfoEntries& e, const std::wstring&) { e.path.Set(REG_BINARY, "\x01"); },
         nullptr, 1},
        {"an empty path", [](SysInfoEntries& e, const std::wstring&) { e.path.Set(REG_SZ, ""); }, nullptr, 0},
        {"the folder", [](SysInfoEntries& e, const std::wstring& f) { e.folder.SetText(f); }, L"MSINFO32.EXE", 1},
        {"a folder without the tool", [](SysInfoEntries& e, const std::wstring& f) { e.folder.SetText(f); }, nullptr,
         0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        SysInfoEntries entries;
        const ScratchFolder folder;
        StartingShell shell;
        ScriptedMessageBox messages;
        ASSERT_TRUE(!row.tool || folder.AddFakeTool(row.tool));
        row.registered(entries, folder.path());
        StartSysInfo(nullptr, shell, messages);
        ASSERT_EQ(shell.recorded.started.size(), row.attempts);
        if (row.tool) {
            const std::wstring tool = folder.path() + L"\\" + row.tool;
            EXPECT_TRUE(messages.shown.empty());
            EXPECT_EQ(shell.recorded.started[0].file, tool);
            EXPECT_EQ(shell.recorded.started[0].showCommand, SW_SHOWNORMAL);
            EXPECT_EQ(folder.WaitForStart(), L"\"" + tool + L"\"");
            continue;
        }
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].text, kSysInfoUnavailable);
        EXPECT_EQ(messages.shown[0].type, static_cast<UINT>(MB_OK));
    }
}

}  // namespace
}  // namespace barsmith
