#include "about/sysinfo.h"

#include <gtest/gtest.h>

#include <vector>

#include "about_support.h"
#include "support/fakes.h"

namespace barsmith {
namespace {

using testing::HklmValue;
using testing::StartingShell;
using testing::ScratchFolder;
using testing::ScriptedMessageBox;
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
    EXPECT_FALSE(Read());
    EXPECT_EQ(text, L"");

    text = L"before";
    EXPECT_FALSE(GetKeyValue(api, HKEY_LOCAL_MACHINE, L"SOFTWARE\\Barsmith no such key", L"PATH", text));
    EXPECT_EQ(text, L"");
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
class RefusingWrites final : public testing::RecordingRegistry {
public:
    LSTATUS OpenKey(HKEY root, const std::wstring& subKey, REGSAM access, HKEY* key) override {
        requestedAccess.push_back(access);
        if (access & (KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK)) return ERROR_ACCESS_DENIED;
        return RecordingRegistry::OpenKey(root, subKey, access, key);
    }
    std::vector<REGSAM> requestedAccess;
};

TEST_F(GetKeyValueTest, KeyThatRefusesWriteAccessIsReadAllTheSame) {
    ASSERT_TRUE(value.SetText(L"C:\\Tools\\info.exe"));
    RefusingWrites refusing;
    EXPECT_TRUE(GetKeyValue(refusing, HKEY_LOCAL_MACHINE, kSysInfoPathKey, kSysInfoPathValue, text));
    EXPECT_EQ(text, L"C:\\Tools\\info.exe");
    EXPECT_EQ(refusing.requestedAccess, (std::vector<REGSAM>{0x2003F, KEY_READ}));
}

// The launcher, with both registry entries cleared first.
class StartSysInfoTest : public ::testing::Test {
protected:
    SysInfoEntries entries;
    StartingShell shell;
    ScriptedMessageBox messages;
    ScratchFolder folder;

    void Start() { StartSysInfo(nullptr, shell, messages); }
    void ExpectUnavailableMessage() const {
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].text, L"System Information Is Unavailable At This Time");
        EXPECT_EQ(messages.shown[0].title, L"Barsmith");
        EXPECT_EQ(messages.shown[0].type, static_cast<UINT>(MB_OK));
    }
};

TEST_F(StartSysInfoTest, NothingRegisteredShowsTheMessageOnly) {
    Start();
    ExpectUnavailableMessage();
    EXPECT_TRUE(shell.recorded.started.empty());
}

TEST_F(StartSysInfoTest, RegisteredPathStartsTheToolQuotedInANormalWindow) {
    ASSERT_TRUE(folder.AddFakeTool(L"msinfo32.exe"));
    const std::wstring tool = folder.path() + L"\\msinfo32.exe";
    ASSERT_TRUE(entries.path.SetText(tool));

    Start();
    EXPECT_TRUE(messages.shown.empty());
    ASSERT_EQ(shell.recorded.started.size(), 1u);
    EXPECT_EQ(shell.recorded.started[0].file, tool);
    EXPECT_EQ(shell.recorded.started[0].showCommand, SW_SHOWNORMAL);
    EXPECT_EQ(folder.WaitForStart(), L"\"" + tool + L"\"");
}

TEST_F(StartSysInfoTest, UnstartablePathsShowTheMessage) {
    ASSERT_TRUE(entries.path.SetText(folder.path() + L"\\missing.exe"));
    Start();
    ExpectUnavailableMessage();
    EXPECT_EQ(shell.recorded.started.size(), 1u);

    // Another type reads as true but leaves no path to start, and so does an empty value.
    for (const DWORD type : {REG_BINARY, REG_SZ}) {
        messages.shown.clear();
        ASSERT_TRUE(entries.path.Set(type, type == REG_SZ ? "" : "\x01\x02"));
        Start();
        ExpectUnavailableMessage();
    }
}

TEST_F(StartSysInfoTest, FolderFallbackStartsTheToolFoundThere) {
    ASSERT_TRUE(entries.folder.SetText(folder.path()));
    ASSERT_TRUE(folder.AddFakeTool(L"MSINFO32.EXE"));

    Start();
    EXPECT_TRUE(messages.shown.empty());
    ASSERT_EQ(shell.recorded.started.size(), 1u);
    EXPECT_EQ(shell.recorded.started[0].file, folder.path() + L"\\MSINFO32.EXE");
    EXPECT_EQ(folder.WaitForStart(), L"\"" + folder.path() + L"\\MSINFO32.EXE\"");
}

TEST_F(StartSysInfoTest, FolderWithoutTheToolShowsTheMessageWithoutStarting) {
    ASSERT_TRUE(entries.folder.SetText(folder.path()));
    Start();
    ExpectUnavailableMessage();
    EXPECT_TRUE(shell.recorded.started.empty());
}

}  // namespace
}  // namespace barsmith
