// Two copies of the program changing the same catalogue at once: this test
// process and button_race.exe, each through the real registry.
#include <gtest/gtest.h>

#include <cstdint>
#include <set>

#include "extensions/button_race.h"
#include "platform/handles.h"
#include "platform/shell.h"
#include "support/extension_keys.h"
#include "support/scratch_key.h"

namespace barsmith {
namespace {

using testing::ScratchKey;

class TwoProcessesTest : public ::testing::Test {
protected:
    ScratchKey scratch;
    SystemRegistry api;
    const std::wstring marker = L"race:" + scratch.Application();
    const MyButtonsCatalogue catalogue{api, scratch.Application()};
    const ToolbarButtons buttons{api, catalogue};

    ~TwoProcessesTest() override {
        for (const std::wstring& guid : MarkedKeys()) testing::DeleteButtonKeys(guid);
    }

    // Starts button_race.exe with `arguments` after the catalogue's name.
    UniqueKernelHandle Start(const std::wstring& arguments) {
        const std::wstring program = ExecutableFolder() + L"\\button_race.exe";
        std::wstring command = L"\"" + program + L"\" " + scratch.Application() + L" " + arguments;
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        EXPECT_TRUE(CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                   &startup, &process));
        CloseHandle(process.hThread);
        return UniqueKernelHandle(process.hProcess);
    }
    static DWORD ExitCode(const UniqueKernelHandle& process) {
        DWORD code = 999;
        if (WaitForSingleObject(process.get(), 120000) == WAIT_OBJECT_0) GetExitCodeProcess(process.get(), &code);
        return code;
    }
    // The GUIDs of every current user's button key that this test's runs made.
    // Other tests add and delete keys there meanwhile, which can make one pass
    // of the enumeration skip a key: passes go on until one finds nothing new.
    std::set<std::wstring> MarkedKeys() const {
        std::set<std::wstring> guids;
        for (size_t before = SIZE_MAX; before != guids.size();) {
            before = guids.size();
            HKEY extensions = nullptr;
            if (RegOpenKeyExW(HKEY_CURRENT_USER, kExtensionsPath, 0, KEY_READ, &extensions)) return guids;
            wchar_t name[64];
            for (DWORD i = 0, length = 64; RegEnumKeyExW(extensions, i, name, &length, nullptr, nullptr, nullptr,
                                                         nullptr) == ERROR_SUCCESS;
                 ++i, length = 64) {
                if (testing::ValueIn(HKEY_CURRENT_USER, name, L"Exec") == marker) guids.insert(name);
            }
            RegCloseKey(extensions);
        }
        return guids;
    }
};

TEST_F(TwoProcessesTest, RacingCopiesLeaveOneKeyPerEntryAndOneEntryPerKey) {
    const UniqueKernelHandle other = Start(L"race " + marker + L" B 100");
    EXPECT_TRUE(testing::RunRace(buttons, marker, L"A", 100));
    ASSERT_EQ(ExitCode(other), 0u);

    const std::vector<SettingsEntry> entries = catalogue.Entries();
    std::set<std::wstring> named;
    for (const SettingsEntry& entry : entries) named.insert(entry.value);
    EXPECT_EQ(named.size(), entries.size()) << "no two entries name one key";
    for (const std::wstring& guid : named) EXPECT_EQ(testing::ValueIn(HKEY_CURRENT_USER, guid, L"Exec"), marker);
    EXPECT_EQ(named, MarkedKeys()) << "every key has its entry and every entry its key";
    EXPECT_GE(entries.size(), 200u) << "each copy's own buttons are all there";
}

TEST_F(TwoProcessesTest, DeletingAButtonThatAnotherCopyReplacedDeletesNothing) {
    ASSERT_EQ(buttons.Create(testing::RaceButton(L"Foo", marker), {}).kind, ButtonOutcome::Kind::Created);
    const ButtonPreview shown = buttons.Preview(L"Foo");

    ASSERT_EQ(ExitCode(Start(L"replace " + marker + L" Foo")), 0u);
    const std::wstring replacement = catalogue.GuidOf(L"Foo");
    ASSERT_NE(replacement, shown.guid);

    EXPECT_EQ(buttons.Remove(shown.guid, L"Foo").kind, ButtonOutcome::Kind::ListChanged);
    EXPECT_EQ(catalogue.GuidOf(L"Foo"), replacement);
    EXPECT_EQ(MarkedKeys(), std::set<std::wstring>{replacement});
}

}  // namespace
}  // namespace barsmith
