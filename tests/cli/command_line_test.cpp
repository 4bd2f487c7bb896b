// barsmith.exe started as a script starts it: arguments quoted on one command
// line, standard output through a pipe, standard error into a file. Each
// command's output, exit code and registry effect, failures included.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <tuple>

#include "extensions/guid.h"
#include "extensions/my_buttons_catalogue.h"
#include "extensions/settings_store.h"
#include "platform/handles.h"
#include "platform/shell.h"
#include "support/extension_keys.h"

namespace barsmith {
namespace {

using testing::KeyIn;
using testing::ValueIn;

struct Outcome {
    DWORD exit = 999;
    std::wstring out;
    std::wstring err;
};

// Quoted as CommandLineToArgvW reads it back.
std::wstring Quote(const std::wstring& argument) {
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted.push_back(c);
    }
    return quoted.append(backslashes * 2, L'\\') + L"\"";
}

std::wstring FromUtf8(const std::string& bytes) {
    if (bytes.empty()) return {};
    const int size = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()),
                                         nullptr, 0);
    if (size <= 0) return L"<not UTF-8>";
    std::wstring text(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), size);
    return text;
}

// Every value of each place's key of the GUID: (place index, name) -> (type, bytes).
using Snapshot = std::map<std::pair<int, std::wstring>, std::pair<DWORD, std::string>>;

Snapshot ValuesOf(const std::wstring& guid) {
    Snapshot values;
    const std::vector<KeyPlace> places = AllPlaces();
    for (int p = 0; p < static_cast<int>(places.size()); ++p) {
        HKEY key = nullptr;
        if (RegOpenKeyExW(places[p].root, ExtensionKeyPath(guid).c_str(), 0, KEY_READ | places[p].view, &key)) continue;
        wchar_t name[256];
        BYTE data[4096];
        for (DWORD i = 0, length = 256, size = sizeof data, type = 0;
             RegEnumValueW(key, i, name, &length, nullptr, &type, data, &size) == ERROR_SUCCESS;
             ++i, length = 256, size = sizeof data)
            values[{p, std::wstring(name, length)}] = {type, std::string(reinterpret_cast<char*>(data), size)};
        RegCloseKey(key);
    }
    return values;
}

class CommandLineTest : public ::testing::Test {
protected:
    testing::MadeKeys made;
    SystemRegistry api;
    MyButtonsCatalogue catalogue{api};
    // Texts of this run only, short enough for the Button Text.
    const std::wstring tag = CreateGUID().substr(1, 6);
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / (L"cli " + tag);
    const std::filesystem::path errors = folder / L"stderr.txt";

    CommandLineTest() { std::filesystem::create_directories(folder); }
    ~CommandLineTest() override {
        for (const std::wstring& text : catalogue.ButtonTexts()) {
            if (text.find(tag) != std::wstring::npos) catalogue.Remove(text);
        }
        std::filesystem::remove_all(folder);
    }

    Outcome Barsmith(const std::vector<std::wstring>& arguments) {
        const std::wstring program = ExecutableFolder() + L"\\barsmith.exe";
        std::wstring command = Quote(program);
        for (const std::wstring& argument : arguments) command += L" " + Quote(argument);
        return Start(program, command);
    }
    Outcome Start(const std::wstring& program, std::wstring command) {
        SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
        HANDLE reading = nullptr;
        HANDLE writing = nullptr;
        EXPECT_TRUE(CreatePipe(&reading, &writing, &inherited, 0));
        const UniqueKernelHandle pipe(reading);
        SetHandleInformation(reading, HANDLE_FLAG_INHERIT, 0);
        UniqueKernelHandle outWrite(writing);
        UniqueKernelHandle errFile(CreateFileW(errors.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited,
                                               CREATE_ALWAYS, 0, nullptr));
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = outWrite.get();
        startup.hStdError = errFile.get();
        PROCESS_INFORMATION process{};
        Outcome run;
        if (!CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                            nullptr, &startup, &process)) {
            ADD_FAILURE() << "cannot start " << program;
            return run;
        }
        const UniqueKernelHandle child(process.hProcess);
        CloseHandle(process.hThread);
        outWrite.reset();  // the pipe ends when the child's copy closes
        errFile.reset();
        std::string out;
        char buffer[4096];
        for (DWORD got = 0; ReadFile(pipe.get(), buffer, sizeof buffer, &got, nullptr) && got > 0;)
            out.append(buffer, got);
        WaitForSingleObject(child.get(), 60000);
        GetExitCodeProcess(child.get(), &run.exit);
        std::ifstream err(errors, std::ios::binary);
        run.out = FromUtf8(out);
        run.err = FromUtf8({std::istreambuf_iterator<char>(err), std::istreambuf_iterator<char>()});
        return run;
    }
    // Creates a button with the given options and plain values for the other required ones.
    std::wstring Created(const std::vector<std::wstring>& arguments) {
        std::vector<std::wstring> command{L"create"};
        command.insert(command.end(), arguments.begin(), arguments.end());
        for (const auto& [option, value] : {std::pair{L"--program", L"C:\\Tools\\a.exe"}, {L"--icon", L"C:\\a.ico"},
                                            {L"--menu-text", L"Menu"}, {L"--status-text", L"Status"},
                                            {L"--tooltip", L"Tip"}}) {
            if (std::find(arguments.begin(), arguments.end(), option) == arguments.end())
                command.insert(command.end(), {option, value});
        }
        const Outcome run = Barsmith(command);
        EXPECT_EQ(run.exit, 0u) << run.err;
        EXPECT_TRUE(run.err.empty()) << run.err;
        const std::wstring guid = run.out.substr(0, run.out.find(L"\r\n"));
        EXPECT_TRUE(IsGuidString(guid)) << run.out;
        EXPECT_EQ(run.out, guid + L"\r\n");
        return made.Add(guid);
    }
    static bool Has(const std::wstring& text, const std::wstring& part) { return text.find(part) != std::wstring::npos; }
};

TEST_F(CommandLineTest, HelpGoesToStandardOutputAndAWrongCommandLineExitsTwoWithTheUsage) {
    const struct {
        std::vector<std::wstring> arguments;
        DWORD exit;
        const wchar_t* told;  // on standard error, before the usage
    } table[] = {
        {{L"/?"}, 0, L""},
        {{L"-h"}, 0, L""},
        {{L"create", L"--help"}, 0, L""},
        {{L"frob"}, 2, L"Unknown command \"frob\"."},
        {{L"list", L"--every"}, 2, L"list takes no argument but --all."},
        {{L"create", L"--text"}, 2, L"The option --text needs a value."},
        {{L"create", L"--colour", L"red"}, 2, L"create does not know \"--colour\"."},
        {{L"create", L"--user", L"--USER"}, 2, L"The option --user is given twice."},
        {{L"remove"}, 2, L"remove takes one button text or {GUID}."},
        {{L"export"}, 2, L"export needs the name of the file to write."},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.arguments.front());
        const Outcome run = Barsmith(row.arguments);
        EXPECT_EQ(run.exit, row.exit);
        const std::wstring& usage = row.exit == 0 ? run.out : run.err;
        EXPECT_TRUE(Has(usage, L"Usage:\r\n  barsmith.exe")) << usage;
        EXPECT_TRUE(row.exit == 0 ? run.err.empty() : run.out.empty());
        EXPECT_EQ(run.err.substr(0, wcslen(row.told)), row.told);
    }
}

TEST_F(CommandLineTest, RefusedCreationTellsTheWindowsMessageWritesNothingAndExitsOne) {
    const std::wstring text = L"No " + tag;
    const struct {
        std::vector<std::wstring> arguments;
        const wchar_t* told;
    } table[] = {
        {{L"--text", text, L"--icon", L"i.ico"}, L"Please choose an application\r\n"},
        {{L"--text", text, L"--program", L"a.exe", L"--icon", L"i", L"--menu-text", L"m", L"--status-text", L"s",
          L"--tooltip", L""},
         L"Please enter the Tool Tip Text\r\n"},
        {{L"--text", text + L" twenty-six chars", L"--program", L"a.exe"}, L"may have at most 25."},
        {{L"--text", L"Two\nlines " + tag, L"--program", L"a.exe"}, L"holds a tab or a line break"},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.told);
        std::vector<std::wstring> arguments{L"create"};
        arguments.insert(arguments.end(), row.arguments.begin(), row.arguments.end());
        const Outcome run = Barsmith(arguments);
        EXPECT_EQ(run.exit, 1u);
        EXPECT_TRUE(run.out.empty());
        EXPECT_TRUE(Has(run.err, row.told)) << run.err;
    }
    for (const std::wstring& listed : catalogue.ButtonTexts()) EXPECT_FALSE(Has(listed, tag)) << listed;
}

TEST_F(CommandLineTest, CreateListReplaceAndRemoveACurrentUsersButton) {
    const std::wstring text = L"Mine " + tag;
    const std::wstring first = Created({L"--text", text, L"--user", L"--hidden"});
    EXPECT_TRUE(KeyIn(HKEY_CURRENT_USER, first));
    EXPECT_FALSE(KeyIn(HKEY_LOCAL_MACHINE, first));
    EXPECT_EQ(ValueIn(HKEY_CURRENT_USER, first, L"Default Visible"), L"No");
    EXPECT_TRUE(Has(L"\r\n" + Barsmith({L"list"}).out, L"\r\n" + text + L"\t" + first + L"\tuser\tok\r\n"));
    EXPECT_TRUE(Has(Barsmith({L"list", L"--all"}).out, first + L"\tuser\t" + text + L"\tmine\r\n"));

    const Outcome kept = Barsmith({L"create", L"--text", text, L"--program", L"b.exe", L"--icon", L"b.ico", L"--menu-text",
                               L"M", L"--status-text", L"S", L"--tooltip", L"T", L"--user"});
    EXPECT_EQ(kept.exit, 1u);
    EXPECT_TRUE(Has(kept.err, L"give --replace to replace it")) << kept.err;
    EXPECT_EQ(catalogue.GuidOf(text), first);

    const std::wstring second = Created({L"--text", text, L"--user", L"--replace"});
    EXPECT_EQ(catalogue.GuidOf(text), second);
    EXPECT_FALSE(KeyIn(HKEY_CURRENT_USER, first));

    const Outcome removed = Barsmith({L"remove", second});
    EXPECT_EQ(removed.exit, 0u) << removed.err;
    EXPECT_FALSE(KeyIn(HKEY_CURRENT_USER, second));
    EXPECT_FALSE(catalogue.Contains(text));
    const Outcome again = Barsmith({L"remove", text});
    EXPECT_EQ(again.exit, 1u);
    EXPECT_EQ(again.err, L"\"" + text + L"\" is not in My Buttons. Nothing was deleted.\r\n");
}

TEST_F(CommandLineTest, ListsTellWhereEachKeyIsAndWhoseItIs) {
    const std::wstring text = L"Both " + tag;
    const std::wstring guid = Created({L"--text", text});
    const std::wstring foreign = made.Add(CreateGUID());
    const std::wstring clsid = kRunProgramButtonClsid;
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, ExtensionKeyPath(foreign).c_str(), L"CLSID", REG_SZ, clsid.c_str(),
                    static_cast<DWORD>((clsid.size() + 1) * 2));
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, ExtensionKeyPath(foreign).c_str(), KEY_WOW64_32KEY, 0);
    const std::wstring all = Barsmith({L"list", L"--all"}).out;
    EXPECT_TRUE(Has(all, guid + L"\tmachine\t" + text + L"\tmine\r\n")) << all;
    EXPECT_TRUE(Has(all, foreign + L"\tmachine-64\t\tother\r\n")) << all;

    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, ExtensionKeyPath(guid).c_str(), KEY_WOW64_64KEY, 0);
    EXPECT_TRUE(Has(Barsmith({L"list", L"--all"}).out, guid + L"\tmachine-32\t" + text + L"\tmine\r\n"));
    testing::DeleteButtonKeys(guid);
    EXPECT_TRUE(Has(L"\r\n" + Barsmith({L"list"}).out, L"\r\n" + text + L"\t" + guid + L"\t-\tmissing\r\n"));
}

TEST_F(CommandLineTest, ExportedFileImportsBackByteForByteAndFailuresWriteNoFile) {
    const std::wstring machineText = L"Q \"x\" \\y \x00DC\x20AC " + tag;
    const std::wstring machine = Created({L"--text", machineText, L"--hot-icon", L"C:\\Icons\\hot \"1\".ico",
                                          L"--tooltip", L"Line one\nLine two \x041C\x0435\x043D\x044E"});
    const std::wstring userText = L"User " + tag;
    const std::wstring user = Created({L"--text", userText, L"--user", L"--menu-text", L"\\\\server\\share\\"});
    const std::wstring file = (folder / L"buttons.reg").wstring();
    const Outcome exported = Barsmith({L"export", file, userText, machineText});
    ASSERT_EQ(exported.exit, 0u) << exported.err;
    EXPECT_TRUE(exported.out.empty() && exported.err.empty());
    std::ifstream in(std::filesystem::path(file), std::ios::binary);
    std::string head(40, '\0');
    in.read(head.data(), 40);
    EXPECT_EQ(head.substr(0, 10), std::string("\xFF\xFEW\0i\0n\0d\0", 10));

    const Snapshot before[] = {ValuesOf(machine), ValuesOf(user)};
    ASSERT_EQ(before[0].size(), 18u) << "nine values in each view";
    ASSERT_EQ(before[1].size(), 8u);
    testing::DeleteButtonKeys(machine);
    testing::DeleteButtonKeys(user);
    catalogue.Remove(machineText);
    catalogue.Remove(userText);
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    const std::wstring reg = std::wstring(system) + L"\\reg.exe";
    ASSERT_EQ(Start(reg, Quote(reg) + L" import " + Quote(file)).exit, 0u);
    EXPECT_EQ(ValuesOf(machine), before[0]);
    EXPECT_EQ(ValuesOf(user), before[1]);
    const std::wstring all = Barsmith({L"list", L"--all"}).out;
    EXPECT_TRUE(Has(all, machine + L"\tmachine\t" + machineText + L"\tother\r\n")) << all;
    EXPECT_TRUE(Has(all, user + L"\tuser\t" + userText + L"\tother\r\n")) << all;

    const std::tuple<std::wstring, std::wstring, const wchar_t*> failures[] = {
        {(folder / L"none.reg").wstring(), L"Not " + tag, L"is not in My Buttons."},
        {(folder / L"missing" / L"none.reg").wstring(), L"", L"could not be written"},
    };
    Created({L"--text", userText, L"--user", L"--replace"});  // something to export to a missing folder
    for (const auto& [path, entry, told] : failures) {
        std::vector<std::wstring> arguments{L"export", path};
        if (!entry.empty()) arguments.push_back(entry);
        const Outcome run = Barsmith(arguments);
        EXPECT_EQ(run.exit, 1u);
        EXPECT_TRUE(Has(run.err, told)) << run.err;
        EXPECT_FALSE(std::filesystem::exists(path));
    }
}

// A catalogue whose key takes no lasting sub-key refuses the record, as a
// read-only one would: the button's key, written first, is taken back.
TEST_F(CommandLineTest, CatalogueThatRefusesTheRecordLeavesNoKeyAndExitsOne) {
    const std::wstring settings = L"Software\\Barsmith";
    const std::wstring saved = L"Software\\BarsmithTests\\saved " + tag;
    HKEY backup = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, saved.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &backup, nullptr),
              ERROR_SUCCESS);
    RegCopyTreeW(HKEY_CURRENT_USER, settings.c_str(), backup);
    RegDeleteTreeW(HKEY_CURRENT_USER, settings.c_str());
    HKEY volatileKey = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, settings.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr,
                    &volatileKey, nullptr);
    RegCloseKey(volatileKey);

    const std::wstring marker = L"C:\\refused " + tag + L".exe";
    const Outcome run = Barsmith({L"create", L"--text", L"Refused " + tag, L"--program", marker, L"--icon", L"i.ico",
                              L"--menu-text", L"M", L"--status-text", L"S", L"--tooltip", L"T", L"--user"});
    RegDeleteTreeW(HKEY_CURRENT_USER, settings.c_str());
    HKEY restored = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, settings.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &restored, nullptr);
    RegCopyTreeW(backup, nullptr, restored);
    RegCloseKey(restored);
    RegCloseKey(backup);
    RegDeleteTreeW(HKEY_CURRENT_USER, saved.c_str());

    EXPECT_EQ(run.exit, 1u);
    EXPECT_TRUE(run.out.empty());
    EXPECT_TRUE(Has(run.err, L"could not be recorded in My Buttons")) << run.err;
    EXPECT_TRUE(Has(run.err, L"The key has been removed again.")) << run.err;
    HKEY extensions = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kExtensionsPath, 0, KEY_READ, &extensions), ERROR_SUCCESS);
    wchar_t name[256];
    for (DWORD i = 0, length = 256;
         RegEnumKeyExW(extensions, i, name, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
         ++i, length = 256)
        EXPECT_NE(ValueIn(HKEY_CURRENT_USER, name, L"Exec"), marker) << name;
    RegCloseKey(extensions);
}

}  // namespace
}  // namespace barsmith
