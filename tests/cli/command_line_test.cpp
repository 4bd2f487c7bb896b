// barsmith.exe started as a script starts it: arguments quoted on one command
// line, standard output and standard error redirected to files. Each
// command's output, exit code and registry effect, failures included.
#include <msxml2.h>
#include <oleauto.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <set>

#include "model/guid.h"
#include "storage/change_journal.h"
#include "storage/my_buttons_catalogue.h"
#include "platform/com.h"
#include "platform/elevation.h"
#include "platform/handles.h"
#include "platform/shell.h"
#include "platform/user_account.h"
#include "storage/settings_store.h"
#include "extensions/picture_files.h"
#include "support/consistency.h"
#include "support/extension_keys.h"
#include "support/redirected_run.h"

namespace barsmith {
namespace {

struct Outcome {
    DWORD exit = 999;
    std::wstring out;
    std::wstring err;
};

std::wstring FromUtf8(const std::string& bytes) {
    std::wstring text(bytes.size(), L'\0');
    const int size = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()),
                                         text.data(), static_cast<int>(text.size()));
    return bytes.empty() || size > 0 ? text.substr(0, static_cast<size_t>(size)) : L"<not UTF-8>";
}

// Every value of the GUID's key in each place: (place, name) -> (type, bytes).
std::map<std::pair<int, std::wstring>, std::pair<DWORD, std::string>> ValuesOf(const std::wstring& guid) {
    std::map<std::pair<int, std::wstring>, std::pair<DWORD, std::string>> values;
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

bool Has(const std::wstring& text, const std::wstring& part) { return text.find(part) != std::wstring::npos; }

// An element of a Group Policy file and its attributes.
struct XmlElement {
    std::wstring name;
    std::map<std::wstring, std::wstring> attributes;
};

std::map<std::wstring, std::wstring> Attributes(IXMLDOMNode* node) {
    std::map<std::wstring, std::wstring> attributes;
    Microsoft::WRL::ComPtr<IXMLDOMNamedNodeMap> map;
    long count = 0;
    if (FAILED(node->get_attributes(&map)) || !map || FAILED(map->get_length(&count))) return attributes;
    for (long i = 0; i < count; ++i) {
        Microsoft::WRL::ComPtr<IXMLDOMNode> attribute;
        BSTR name = nullptr;
        VARIANT value;
        VariantInit(&value);
        if (SUCCEEDED(map->get_item(i, &attribute)) && SUCCEEDED(attribute->get_nodeName(&name)) &&
            SUCCEEDED(attribute->get_nodeValue(&value)) && value.vt == VT_BSTR)
            attributes[name] = value.bstrVal;
        SysFreeString(name);
        VariantClear(&value);
    }
    return attributes;
}

// A Group Policy file's root, its collections, their items and each item's properties.
constexpr wchar_t kPreferenceElements[] = L"/RegistrySettings | /RegistrySettings/Collection | "
                                          L"/RegistrySettings/Collection/Registry | "
                                          L"/RegistrySettings/Collection/Registry/Properties";

// IXMLDOMDocument's interface identifier, which MinGW's libraries lack.
constexpr IID kDocumentInterface{0x2933BF81, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

// The elements of the file that `query` selects, in the file's order, as
// MSXML 6 reads them (the parser Group Policy's own tools read it with); or
// the parser's complaint in `error`.
std::vector<XmlElement> XmlElements(const std::wstring& path, const wchar_t* query, std::wstring& error) {
    const ScopedCom com;
    CLSID parser{};
    Microsoft::WRL::ComPtr<IXMLDOMDocument> document;
    if (FAILED(CLSIDFromProgID(L"Msxml2.DOMDocument.6.0", &parser)) ||
        FAILED(CoCreateInstance(parser, nullptr, CLSCTX_INPROC_SERVER, kDocumentInterface,
                                reinterpret_cast<void**>(document.GetAddressOf())))) {
        error = L"no XML parser";
        return {};
    }
    VARIANT source;
    VariantInit(&source);
    source.vt = VT_BSTR;
    source.bstrVal = SysAllocString(path.c_str());
    VARIANT_BOOL loaded = VARIANT_FALSE;
    document->put_async(VARIANT_FALSE);
    const HRESULT result = document->load(source, &loaded);
    VariantClear(&source);
    if (FAILED(result) || loaded != VARIANT_TRUE) {
        Microsoft::WRL::ComPtr<IXMLDOMParseError> parseError;
        BSTR reason = nullptr;
        if (SUCCEEDED(document->get_parseError(&parseError)) && parseError) parseError->get_reason(&reason);
        error = reason ? reason : L"not loaded";
        SysFreeString(reason);
        return {};
    }
    std::vector<XmlElement> elements;
    Microsoft::WRL::ComPtr<IXMLDOMNodeList> list;
    BSTR selection = SysAllocString(query);
    const HRESULT selected = document->selectNodes(selection, &list);
    SysFreeString(selection);
    Microsoft::WRL::ComPtr<IXMLDOMNode> node;
    for (; SUCCEEDED(selected) && list && list->nextNode(&node) == S_OK && node; node.Reset()) {
        BSTR name = nullptr;
        node->get_nodeName(&name);
        elements.push_back({name ? name : L"", Attributes(node.Get())});
        SysFreeString(name);
    }
    return elements;
}

class CommandLineTest : public ::testing::Test {
protected:
    testing::MadeKeys made;
    SystemRegistry api;
    MyButtonsCatalogue catalogue{api};
    const std::wstring tag = CreateGUID().substr(1, 6);  // in every text of this run
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / (L"cli " + tag);

    CommandLineTest() { std::filesystem::create_directories(folder); }
    ~CommandLineTest() override {
        for (const std::wstring& text : std::vector(catalogue.ButtonTexts())) {
            if (Has(text, tag)) catalogue.Remove(text);
        }
        std::filesystem::remove_all(folder);
    }

    static std::wstring Program() { return ExecutableFolder() + L"\\barsmith.exe"; }
    static std::wstring CommandLine(const std::vector<std::wstring>& arguments) {
        std::wstring command = QuotedArgument(Program());
        for (const std::wstring& argument : arguments) command += L" " + QuotedArgument(argument);
        return command;
    }
    Outcome Barsmith(const std::vector<std::wstring>& arguments) { return Start(Program(), CommandLine(arguments)); }
    Outcome Start(const std::wstring& program, const std::wstring& command) {
        const testing::RedirectedRun run = testing::RunRedirected(program, command, folder);
        return {run.exit, FromUtf8(run.out), FromUtf8(run.err)};
    }
    // "create" with the given options and, when `complete`, plain values for the other required ones.
    std::vector<std::wstring> CreateCommand(const std::vector<std::wstring>& options, bool complete = true) {
        std::vector<std::wstring> command{L"create"};
        command.insert(command.end(), options.begin(), options.end());
        for (const auto& [option, value] : {std::pair{L"--program", L"C:\\Tools\\a.exe"},
                                            {L"--icon", L"C:\\a.ico"},
                                            {L"--menu-text", L"Menu"},
                                            {L"--status-text", L"Status"},
                                            {L"--tooltip", L"Tip"}}) {
            if (complete && std::find(options.begin(), options.end(), option) == options.end())
                command.insert(command.end(), {option, value});
        }
        return command;
    }
    // The GUID printed by a creation that succeeded quietly.
    std::wstring Created(const std::vector<std::wstring>& options, bool complete = true) {
        const Outcome run = Barsmith(CreateCommand(options, complete));
        const std::wstring guid = run.out.substr(0, run.out.find(L"\r\n"));
        EXPECT_TRUE(run.exit == 0 && run.err.empty() && IsGuidString(guid) && run.out == guid + L"\r\n") << run.err;
        return made.Add(guid);
    }
    std::wstring Listed(bool all = false) {
        return L"\r\n" +
               Barsmith(all ? std::vector<std::wstring>{L"list", L"--all"} : std::vector<std::wstring>{L"list"}).out;
    }
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
        {{L"list", L"--every"}, 2, L"list does not know \"--every\"; it takes no argument but --all."},
        {{L"list", L"--all", L"extra"}, 2, L"list does not know \"extra\""},
        {{L"list", L"--all", L"--ALL"}, 2, L"The option --all is given twice."},
        {{L"check", L"--repiar"}, 2, L"check does not know \"--repiar\"."},
        {{L"check", L"--repair", L"Notes", L"--repair"}, 2, L"The option --repair is given twice."},
        {{L"create", L"--text"}, 2, L"The option --text needs a value."},
        {{L"create", L"--colour", L"red"}, 2, L"create does not know \"--colour\"."},
        {{L"create", L"--user", L"--USER"}, 2, L"The option --user is given twice."},
        {{L"create", L"--script", L"a.js", L"--program", L"b.exe"}, 2, L"Give --program or --script, not both."},
        {{L"create", L"--menu-only", L"--icon", L"i.ico"}, 2, L"The option --icon does not fit --menu-only"},
        {{L"remove"}, 2, L"remove takes one button text or {GUID}."},
        {{L"remove", L"Notes", L"Jots"}, 2, L"remove takes one button text or {GUID}."},
        {{L"export"}, 2, L"export needs the name of the file to write."},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.arguments.front());
        const Outcome run = Barsmith(row.arguments);
        EXPECT_EQ(run.exit, row.exit);
        EXPECT_TRUE(Has(row.exit == 0 ? run.out : run.err, L"Usage:\r\n  barsmith.exe"));
        EXPECT_TRUE(row.exit == 0 ? run.err.empty() : run.out.empty());
        EXPECT_TRUE(run.err.starts_with(row.told)) << run.err;
    }
}

TEST_F(CommandLineTest, RefusedCreationNamesTheOptionWritesNothingAndExitsOneOrTwo) {
    const std::wstring text = L"No " + tag;
    const struct {
        std::vector<std::wstring> arguments;
        DWORD exit;
        const wchar_t* told;
    } table[] = {
        {{L"create", L"--text", text, L"--icon", L"i.ico"}, 2, L"create needs --program PATH or --script PATH.\r\n"},
        {CreateCommand({L"--text", text, L"--tooltip", L""}), 2, L"The option --tooltip may not be empty.\r\n"},
        {CreateCommand({L"--text", text + L" twenty-six chars"}), 1, L"may have at most 25."},
        {CreateCommand({L"--text", L"Two\nlines " + tag}), 1, L"holds the control character U+000A"},
        {CreateCommand({L"--text", text, L"--menu-text", L"\x1B[2J"}), 1,
         L"The option --menu-text \"\\u001B[2J\" holds the control character U+001B"},
    };
    for (const auto& row : table) {
        const Outcome run = Barsmith(row.arguments);
        EXPECT_TRUE(run.exit == row.exit && run.out.empty() && Has(run.err, row.told)) << run.err;
        EXPECT_EQ(Has(run.err, L"Usage:"), row.exit == 2);
    }
    for (const std::wstring& listed : catalogue.ButtonTexts()) EXPECT_FALSE(Has(listed, tag)) << listed;
}

TEST_F(CommandLineTest, CreateListReplaceAndRemoveACurrentUsersButton) {
    const std::wstring text = L"Mine " + tag;
    const std::wstring first = Created({L"--text", text, L"--user", L"--hidden"});
    EXPECT_TRUE(testing::KeyIn(HKEY_CURRENT_USER, first) && !testing::KeyIn(HKEY_LOCAL_MACHINE, first));
    EXPECT_EQ(testing::ValueIn(HKEY_CURRENT_USER, first, L"Default Visible"), L"No");
    EXPECT_TRUE(Has(Listed(), L"\r\n" + text + L"\t" + first + L"\tuser\tok\r\n"));
    EXPECT_TRUE(Has(Listed(true), L"\r\n" + first + L"\tuser\t" + text + L"\tmine\r\n"));

    const Outcome kept = Barsmith(CreateCommand({L"--text", text, L"--user"}));
    EXPECT_TRUE(kept.exit == 1 && Has(kept.err, L"give --replace to replace it")) << kept.err;
    EXPECT_EQ(catalogue.GuidOf(text), first);
    const std::wstring second = Created({L"--text", text, L"--user", L"--replace"});
    EXPECT_EQ(catalogue.GuidOf(text), second);
    EXPECT_FALSE(testing::KeyIn(HKEY_CURRENT_USER, first));

    EXPECT_EQ(Barsmith({L"remove", second}).exit, 0u);
    EXPECT_FALSE(testing::KeyIn(HKEY_CURRENT_USER, second) || catalogue.Contains(text));
    const Outcome again = Barsmith({L"remove", text});
    EXPECT_EQ(again.exit, 1u);
    EXPECT_TRUE(Has(again.err, L"is not in My Buttons. Nothing was deleted.")) << again.err;
}

// A GUID names the button of that GUID: listed, left behind without an entry
// (as an ended copy of an older Barsmith could leave it), or another program's.
TEST_F(CommandLineTest, RemoveByGuidNamesTheButtonOfThatGuidNeverAnEntryOfThatText) {
    const std::wstring listed = Created({L"--text", L"Listed " + tag, L"--user"});
    const std::wstring unlisted = Created({L"--text", L"Unlisted " + tag, L"--user"});
    catalogue.Remove(L"Unlisted " + tag);
    catalogue.Record(listed, unlisted);  // an entry whose text is the first button's GUID
    const std::wstring foreign = made.Add(CreateGUID());
    RegSetKeyValueW(HKEY_CURRENT_USER, ExtensionKeyPath(foreign).c_str(), L"CLSID", REG_SZ, L"{0}", 8);

    EXPECT_EQ(Barsmith({L"remove", listed}).exit, 0u);
    EXPECT_FALSE(testing::KeyIn(HKEY_CURRENT_USER, listed) || catalogue.Contains(L"Listed " + tag));
    EXPECT_EQ(catalogue.GuidOf(listed), unlisted) << "the entry of that text is left alone";
    catalogue.Remove(listed);
    EXPECT_EQ(Barsmith({L"remove", unlisted}).exit, 0u);
    EXPECT_FALSE(testing::KeyIn(HKEY_CURRENT_USER, unlisted));
    const Outcome other = Barsmith({L"remove", foreign});
    EXPECT_TRUE(other.exit == 1 && Has(other.err, L"is no toolbar button made by Barsmith")) << other.err;
    EXPECT_TRUE(testing::KeyIn(HKEY_CURRENT_USER, foreign));
}

TEST_F(CommandLineTest, ExportedFileImportsBackByteForByteAndListsAsOtherPeoplesButtons) {
    const std::wstring machineText = L"Q \"x\" \\y \x00DC\x20AC " + tag;
    const std::wstring machine = Created({L"--text", machineText, L"--hot-icon", L"C:\\Icons\\hot \"1\".ico"});
    // A line break no option takes, written by another program, goes into the file all the same.
    testing::SetInBothViews(machine, L"ToolTip", L"Line one\nLine two \x041C\x0435\x043D\x044E");
    const std::wstring userText = L"User " + tag;
    const std::wstring user = Created({L"--text", userText, L"--user", L"--menu-text", L"\\\\server\\share\\"});
    const std::wstring file = (folder / L"buttons.reg").wstring();
    const Outcome exported = Barsmith({L"export", file, userText, machineText});
    ASSERT_TRUE(exported.exit == 0 && exported.out.empty() && exported.err.empty()) << exported.err;
    // A value name with a NUL in it, as only the native call writes one, would end its line in the file.
    const std::wstring nul = Created({L"--text", L"Nul " + tag, L"--user"});
    ASSERT_EQ(testing::SetCountedValue(HKEY_CURRENT_USER, ExtensionKeyPath(nul), {L"a\0b", 3}, L"x"), ERROR_SUCCESS);
    for (const auto& [path, entry, told] : {std::tuple{folder / L"none.reg", L"Not " + tag, L"is not in My Buttons."},
                                            {folder / L"missing" / L"none.reg", userText, L"could not be written"},
                                            {folder / L"nul.reg", L"Nul " + tag, L"\"a\\u0000b\" of "}}) {
        const Outcome run = Barsmith({L"export", path.wstring(), entry});
        EXPECT_TRUE(run.exit == 1 && Has(run.err, told) && !std::filesystem::exists(path)) << run.err;
    }

    const auto before = std::pair{ValuesOf(machine), ValuesOf(user)};
    ASSERT_EQ(before.first.size() + before.second.size(), 18u + 8u) << "nine values in each view, eight for the user";
    testing::DeleteButtonKeys(machine);
    testing::DeleteButtonKeys(user);
    EXPECT_TRUE(Has(Listed(), L"\r\n" + userText + L"\t" + user + L"\t-\tmissing\r\n"));
    catalogue.Remove(machineText);
    catalogue.Remove(userText);
    const std::wstring reg = SystemFolder() + L"\\reg.exe";
    ASSERT_EQ(Start(reg, QuotedArgument(reg) + L" import " + QuotedArgument(file)).exit, 0u);
    EXPECT_EQ(std::pair(ValuesOf(machine), ValuesOf(user)), before);

    EXPECT_TRUE(Has(Listed(true), L"\r\n" + machine + L"\tmachine\t" + machineText + L"\tother\r\n"));
    EXPECT_TRUE(Has(Listed(true), L"\r\n" + user + L"\tuser\t" + userText + L"\tother\r\n"));
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, ExtensionKeyPath(machine).c_str(), KEY_WOW64_64KEY, 0);
    EXPECT_TRUE(Has(Listed(true), L"\r\n" + machine + L"\tmachine-32\t" + machineText + L"\tother\r\n"));

    // Texts another program wrote are listed with their control characters escaped.
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, ExtensionKeyPath(machine).insert(wcslen(L"Software\\"), L"Wow6432Node\\").c_str(),
                    L"ButtonText", REG_SZ, L"\x1B[2J\tX", 14);
    catalogue.Record(L"Odd\x1B\t" + tag, machine);
    EXPECT_TRUE(Has(Listed(true), L"\r\n" + machine + L"\tmachine-32\t\\u001B[2J\\u0009X\tmine\r\n"));
    EXPECT_TRUE(Has(Listed(), L"\r\nOdd\\u001B\\u0009" + tag + L"\t" + machine + L"\tmachine\tok\r\n"));
    // So are the names of keys another program made.
    const std::wstring oddKey = ExtensionKeyPath(L"Odd\n" + tag);
    RegSetKeyValueW(HKEY_CURRENT_USER, oddKey.c_str(), L"CLSID", REG_SZ, kRunProgramButtonClsid, 78);
    EXPECT_TRUE(Has(Listed(true), L"\r\nOdd\\u000A" + tag + L"\tuser\t\tother\r\n"));
    RegDeleteKeyW(HKEY_CURRENT_USER, oddKey.c_str());
}

// Every kind of entry the browser knows, made with exactly its values, and
// listed. (Export copies whatever values a key has, and removal by GUID looks
// only at the button's class: both are shown above.)
TEST_F(CommandLineTest, EveryKindIsMadeWithExactlyItsValuesAndListed) {
    const std::wstring icon = ExecutableFolder() + L"\\barsmith.exe,0";
    const struct {
        std::vector<std::wstring> options;
        std::wstring listedAs;
        std::vector<std::wstring> values;
    } kinds[] = {
        {{L"--text", L"Prog " + tag, L"--program", L"C:\\p.exe", L"--icon", icon, L"--tooltip", L"T"},
         L"Prog " + tag,
         {L"Exec", L"Icon", L"ButtonText", L"CLSID", L"Default Visible", L"MenuText", L"MenuStatusBar", L"ToolTip"}},
        {{L"--text", L"Script " + tag, L"--script", L"C:\\s.js", L"--icon", icon, L"--tooltip", L"T", L"--help-menu"},
         L"Script " + tag,
         {L"Script", L"Icon", L"ButtonText", L"CLSID", L"Default Visible", L"MenuText", L"MenuStatusBar",
          L"MenuCustomize", L"ToolTip"}},
        {{L"--menu-only", L"--program", L"C:\\p.exe"}, L"Item " + tag,
         {L"Exec", L"CLSID", L"MenuText", L"MenuStatusBar"}},
        {{L"--menu-only", L"--text", L"Help " + tag, L"--script", L"C:\\h.vbs", L"--help-menu"}, L"Help " + tag,
         {L"Script", L"CLSID", L"MenuText", L"MenuStatusBar", L"MenuCustomize"}},
    };
    std::vector<std::wstring> guids;
    for (const auto& kind : kinds) {
        std::vector<std::wstring> options = kind.options;
        options.insert(options.end(), {L"--menu-text", L"Item " + tag, L"--status-text", L"S"});
        const std::wstring guid = Created(options, false);
        std::set<std::wstring> names;
        for (const auto& [place, value] : ValuesOf(guid)) names.insert(place.second);
        EXPECT_EQ(names, std::set(kind.values.begin(), kind.values.end())) << kind.listedAs;
        EXPECT_TRUE(Has(Listed(), L"\r\n" + kind.listedAs + L"\t" + guid + L"\tmachine\tok\r\n"));
        guids.push_back(guid);
    }
    EXPECT_TRUE(Has(Listed(true), L"\r\n" + guids[2] + L"\tmachine\tItem " + tag + L"\tmine\r\n"))
        << "a menu item is listed by its menu text";
}

// A Group Policy file read by the system's XML parser holds one item per
// value and place of the button, the values' texts exactly, and nothing else.
TEST_F(CommandLineTest, GroupPolicyFileHoldsEveryValueInEveryPlaceAsTheXmlParserReadsIt) {
    const std::wstring text = L"G&P <\"x\"> '\x00DC\x20AC' " + tag;
    const std::wstring guid = Created({L"--text", text, L"--menu-text", L"[a] & {b}", L"--hot-icon", L"C:\\h.ico"});
    testing::SetInBothViews(guid, L"ToolTip", L"Line one\nLine\ttwo\r");
    const auto values = ValuesOf(guid);
    ASSERT_EQ(values.size(), 18u);
    for (const bool remove : {false, true}) {
        SCOPED_TRACE(remove);
        const std::wstring file = (folder / (remove ? L"Registry.XML" : L"Registry.txt")).wstring();
        // A flag may come last, after the texts.
        std::vector<std::wstring> command{L"export", file, text};
        if (remove) command.push_back(L"--remove-when-unapplied");
        else command.insert(command.begin() + 1, {L"--format", L"gpp"});
        const Outcome run = Barsmith(command);
        ASSERT_TRUE(run.exit == 0 && run.out.empty() && run.err.empty()) << run.err;

        std::wstring error;
        const std::vector<XmlElement> elements = XmlElements(file, kPreferenceElements, error);
        ASSERT_TRUE(error.empty()) << error;
        ASSERT_EQ(elements.size(), 2 + 2 * values.size()) << "the root, one collection, an item per value";
        EXPECT_EQ(elements[0].attributes.at(L"clsid"), L"{A3CCFC41-DFDB-43a5-8D26-0FE8B954DA51}");
        EXPECT_EQ(elements[1].attributes.at(L"name"), text);
        std::set<std::wstring> uids;
        std::map<std::pair<int, std::wstring>, std::pair<DWORD, std::string>> read;
        for (size_t i = 2; i + 1 < elements.size(); i += 2) {
            ASSERT_EQ(elements[i].name, L"Registry");
            ASSERT_EQ(elements[i + 1].name, L"Properties") << "each item followed by its own properties";
            auto attributes = elements[i].attributes;
            auto properties = elements[i + 1].attributes;
            EXPECT_EQ(attributes[L"clsid"], L"{9CD4B2F4-923D-47f5-A062-E897DD1DAD50}");
            EXPECT_EQ(attributes[L"name"], properties[L"name"]);
            EXPECT_TRUE(IsGuidString(attributes[L"uid"]) && uids.insert(attributes[L"uid"]).second);
            EXPECT_EQ(attributes[L"removePolicy"], remove ? L"1" : L"");
            EXPECT_EQ(properties[L"action"], remove ? L"R" : L"U");
            EXPECT_EQ(properties[L"hive"], L"HKEY_LOCAL_MACHINE");
            EXPECT_EQ(properties[L"type"], L"REG_SZ");
            const std::wstring& key = properties[L"key"];
            const int place = key == ExtensionKeyPath(guid)                                             ? 0
                              : key == std::wstring(ExtensionKeyPath(guid)).insert(9, L"Wow6432Node\\") ? 1
                                                                                                          : -1;
            const std::wstring& value = properties[L"value"];
            read[{place, properties[L"name"]}] = {
                REG_SZ, std::string(reinterpret_cast<const char*>(value.c_str()), (value.size() + 1) * sizeof(wchar_t))};
        }
        EXPECT_EQ(read, values);
    }
}

TEST_F(CommandLineTest, ExportsThatCannotBeMadeWriteNoFileAndSayWhy) {
    const std::wstring machine = L"Machine " + tag;
    const std::wstring user = L"User " + tag;
    Created({L"--text", machine});
    Created({L"--text", user, L"--user"});
    const std::wstring xml = (folder / L"Registry.xml").wstring();
    const std::wstring msi = (folder / L"buttons.msi").wstring();
    const struct {
        std::vector<std::wstring> arguments;
        DWORD exit;
        const wchar_t* told;
    } table[] = {
        {{L"export", xml, machine, user}, 1,
         L"A Group Policy file holds machine-wide buttons or buttons of the current user, not both."},
        {{L"export", msi, L"--product", L"P", L"--version", L"1.0.0", machine, user}, 1,
         L"Current user: \"User "},
        {{L"export", L"--format", L"zip", xml}, 2, L"The option --format takes reg, gpp or msi, not \"zip\"."},
        {{L"export", msi, machine}, 2, L"An installer package needs --product NAME."},
        {{L"export", msi, L"--product", L"P", machine}, 2, L"An installer package needs --version A.B.C."},
        {{L"export", msi, L"--product", L"", L"--version", L"1.0.0", machine}, 2,
         L"The option --product may not be empty."},
        {{L"export", msi, L"--product", L"P\x1B", L"--version", L"1.0.0", machine}, 2,
         L"The option --product \"P\\u001B\" holds a control character."},
        {{L"export", msi, L"--product", L"P", L"--version", L"1.0.65536", machine}, 2, L"The version \"1.0.65536\""},
        {{L"export", xml, L"--product", L"P", machine}, 2, L"The option --product fits only --format msi."},
        {{L"export", msi, L"--remove-when-unapplied", machine}, 2,
         L"The option --remove-when-unapplied fits only --format gpp."},
        {{L"export", xml, L"--format", L"gpp", L"--FORMAT", L"gpp"}, 2, L"The option --format is given twice."},
        {{L"export", xml, L"--version"}, 2, L"The option --version needs a value."},
        {{L"export", xml, L"--colour", L"red"}, 2, L"export does not know \"--colour\"."},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.told);
        const Outcome run = Barsmith(row.arguments);
        EXPECT_TRUE(run.exit == row.exit && run.out.empty() && Has(run.err, row.told)) << run.err;
        EXPECT_EQ(Has(run.err, L"Usage:"), row.exit == 2);
        EXPECT_EQ(Has(run.err, L"Nothing was written."), row.exit == 1);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 2) << "only the outputs";
    }
    // "--" ends the options: a button whose text looks like one is named after it.
    catalogue.Record(L"--odd " + tag, catalogue.GuidOf(machine));
    EXPECT_EQ(Barsmith({L"export", xml, L"--", L"--odd " + tag}).exit, 0u);
    EXPECT_TRUE(std::filesystem::exists(xml));
}

// A button left half made by other means (one view, no entry) and an entry
// left without its key: check names them, check --repair mends them.
TEST_F(CommandLineTest, CheckNamesWhatIsWrongAndRepairMendsWhatItCan) {
    const std::wstring text = L"Half " + tag;
    // An icon of both sizes the toolbar draws: one without them would be a finding too.
    const testing::TempFile icon{L".ico", testing::IcoFileBytes({20, 16}, RGB(0, 120, 215))};
    const std::wstring guid = Created({L"--text", text, L"--program", Program(), L"--icon", icon.path()});
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, ExtensionKeyPath(guid).c_str(), KEY_WOW64_32KEY, 0);
    catalogue.Remove(text);
    const std::wstring ghost = made.Add(CreateGUID());
    catalogue.Record(L"Ghost " + tag, ghost);

    // Other tests make and break buttons meanwhile: only this test's are repaired.
    const Outcome found = Barsmith({L"check"});
    const Outcome repaired = Barsmith({L"check", L"--repair", guid, L"Ghost " + tag});
    EXPECT_EQ(found.exit, 1u);
    for (const std::wstring& line : {L"one-view\t" + guid + L"\t-\tonly in the 64-bit view", L"unlisted\t" + guid,
                                     L"entry-without-key\t" + ghost + L"\tGhost " + tag}) {
        EXPECT_TRUE(Has(L"\r\n" + found.out, L"\r\n" + line)) << line;
        EXPECT_TRUE(Has(repaired.out, L"\r\nrepaired " + line)) << line;
    }
    const Outcome after = Barsmith({L"check", guid, ghost, text});
    EXPECT_TRUE(after.exit == 0 && after.out.empty()) << after.out;
    EXPECT_EQ(catalogue.GuidOf(text), guid);
    EXPECT_TRUE(testing::Consistent(api, catalogue, {guid}));
}

// Notes of changes another program of the user wrote into the journal the
// user can write: none makes Barsmith write, strip or delete a key; each is
// told once and gone, and the next command says nothing.
TEST_F(CommandLineTest, ForgedNotesOfChangesAreToldOnceAndNeverCarriedOut) {
    const std::wstring mine = Created({L"--text", L"Mine " + tag});
    const std::wstring user = Created({L"--text", L"User " + tag, L"--user"});
    const std::wstring foreign = made.Add(CreateGUID());
    for (const HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
        RegSetKeyValueW(root, ExtensionKeyPath(foreign).c_str(), L"Exec", REG_SZ, L"C:\\other.exe", 26);
    const ChangeJournal journal(api, kCatalogueApplication);
    const RegistryValue payload = TextValue(L"Exec", L"C:\\evil\\payload.exe");
    const std::wstring note = SectionPath(kCatalogueApplication, L"Journal");
    // Told by the first `list`, or, for a note in its place that cannot be
    // carried out, by the one that gives it up after it failed three times.
    constexpr int kFirst = 1, kGivenUp = 4;
    const struct {
        const char* name;
        std::function<void()> forge;
        int toldBy = kFirst;
    } table[] = {
        {"a machine-wide button that runs a payload",
         [&] { journal.Begin({Change::Kind::Save, made.Add(CreateGUID()), {}, L"Evil " + tag, {}, HKEY_LOCAL_MACHINE,
                              {payload, TextValue(L"CLSID", kRunProgramButtonClsid)}}, JournalPlace::User); }},
        {"our machine-wide button taken over", [&] {
             journal.Begin({Change::Kind::Save, mine, L"Mine " + tag, L"Mine " + tag, {}, HKEY_LOCAL_MACHINE, {payload}},
                           JournalPlace::User);
         }},
        {"our machine-wide button removed",
         [&] { journal.Begin({Change::Kind::Remove, mine, L"Mine " + tag}, JournalPlace::User); }},
        {"another program's key created", [&] {
             journal.Begin({Change::Kind::Create, foreign, {}, L"F " + tag, {}, HKEY_LOCAL_MACHINE, {}}, JournalPlace::User);
         }},
        {"another program's per-user key written", [&] {
             journal.Begin({Change::Kind::Save, foreign, {}, {}, {}, HKEY_CURRENT_USER, {payload}}, JournalPlace::User);
         }, kGivenUp},
        {"another program's per-user key removed",
         [&] { journal.Begin({Change::Kind::Remove, foreign}, JournalPlace::User); }},
        {"the user's own button given a value of another type", [&] {
             RegistryValue expanding = TextValue(L"Exec", L"%TEMP%\\payload.exe");
             expanding.type = REG_EXPAND_SZ;
             journal.Begin({Change::Kind::Save, user, L"User " + tag, L"User " + tag, {}, HKEY_CURRENT_USER, {expanding}},
                           JournalPlace::User);
         }},
        {"a note of another type", [&] {
             RegSetKeyValueW(HKEY_CURRENT_USER, note.c_str(), user.c_str(), REG_SZ, L"remove", 14);
         }},
        {"a damaged note", [&] {
             journal.Begin({Change::Kind::Remove, user, L"User " + tag}, JournalPlace::User);
             HKEY key = nullptr;
             RegOpenKeyExW(HKEY_CURRENT_USER, note.c_str(), 0, KEY_ALL_ACCESS, &key);
             BYTE bytes[4096];
             DWORD size = sizeof bytes;
             RegQueryValueExW(key, user.c_str(), nullptr, nullptr, bytes, &size);
             bytes[size / 2] ^= 1;
             RegSetValueExW(key, user.c_str(), 0, REG_BINARY, bytes, size);
             RegCloseKey(key);
         }},
    };
    const auto before = std::tuple{ValuesOf(mine), ValuesOf(user), ValuesOf(foreign), catalogue.Entries().size()};
    ASSERT_EQ(std::get<0>(before).size(), 16u);
    for (const auto& row : table) {
        SCOPED_TRACE(row.name);
        row.forge();
        for (int run = 1; run <= row.toldBy + 1; ++run) {
            const Outcome listed = Barsmith({L"list"});
            EXPECT_EQ(listed.exit, 0u);
            EXPECT_EQ(listed.err.empty(), run != row.toldBy) << run << ": " << listed.err;
        }
        EXPECT_EQ(std::tuple(ValuesOf(mine), ValuesOf(user), ValuesOf(foreign), catalogue.Entries().size()), before);
    }
    // A note the user could have written of the user's own button is carried out.
    journal.Begin({Change::Kind::Remove, user, L"User " + tag}, JournalPlace::User);
    EXPECT_EQ(Barsmith({L"list"}).exit, 0u);
    EXPECT_TRUE(ValuesOf(user).empty());
    EXPECT_FALSE(catalogue.Contains(L"User " + tag));
}

// The journal key made a link to the browser's Extensions key: nothing there
// is deleted; check finds the journal cannot be kept, and repair makes it anew.
TEST_F(CommandLineTest, JournalMadeALinkIsNeverFollowedAndRepairMakesItAnew) {
    const std::wstring user = Created({L"--text", L"User " + tag, L"--user"});
    const std::wstring path = SectionPath(kCatalogueApplication, L"Journal");
    RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str());
    HKEY link = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_CREATE_LINK | REG_OPTION_VOLATILE,
                              KEY_ALL_ACCESS | KEY_CREATE_LINK, nullptr, &link, nullptr),
              ERROR_SUCCESS);
    const std::wstring target = L"\\Registry\\User\\" + CurrentUserSid() + L"\\" + kExtensionsPath;
    RegSetValueExW(link, L"SymbolicLinkValue", 0, REG_LINK, reinterpret_cast<const BYTE*>(target.c_str()),
                   static_cast<DWORD>(target.size() * sizeof(wchar_t)));
    RegCloseKey(link);
    const auto before = ValuesOf(user);

    EXPECT_EQ(Barsmith({L"list"}).exit, 0u);
    EXPECT_EQ(Barsmith(CreateCommand({L"--text", L"Refused " + tag, L"--user"})).exit, 1u);
    EXPECT_EQ(ValuesOf(user), before);
    const Outcome checked = Barsmith({L"check", L"--repair"});
    EXPECT_TRUE(Has(checked.out, L"journal\t\t-\tthe user's change journal cannot be kept: it is a registry link"))
        << checked.out;
    EXPECT_EQ(ValuesOf(user), before);
    EXPECT_FALSE(Has(Barsmith({L"check"}).out, L"journal\t")) << "made anew";
    EXPECT_EQ(Barsmith({L"remove", L"User " + tag}).exit, 0u);
}

// A settings key that takes no lasting sub-key refuses the note of the change
// (and the catalogue's record): the creation stops before it writes a key.
TEST_F(CommandLineTest, CatalogueThatRefusesTheRecordLeavesNoKeyAndExitsOne) {
    const std::wstring settings = L"Software\\Barsmith";
    // The test holds the settings lock: nobody else reads or writes them meanwhile.
    RegDeleteTreeW(HKEY_CURRENT_USER, settings.c_str());
    HKEY settingsKey = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, settings.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr,
                    &settingsKey, nullptr);
    RegCloseKey(settingsKey);

    const std::wstring marker = L"C:\\refused " + tag + L".exe";
    const Outcome run = Barsmith(CreateCommand({L"--text", L"Refused " + tag, L"--program", marker, L"--user"}));
    RegDeleteTreeW(HKEY_CURRENT_USER, settings.c_str());

    EXPECT_TRUE(run.exit == 1 && run.out.empty()) << run.exit;
    EXPECT_TRUE(Has(run.err, L"could not note the change") && Has(run.err, L"Nothing was written.")) << run.err;
    EXPECT_FALSE(Has(Listed(true), L"\tuser\tRefused " + tag));
}

// Commands ended at random moments, as by a user or the system, while they
// replace and remove a button: one ordinary command later nothing is half made.
TEST_F(CommandLineTest, CommandsEndedAtRandomMomentsLeaveNothingHalfMade) {
    const std::wstring text = L"Ended " + tag;
    const std::wstring marker = L"C:\\ended " + tag + L".exe";
    const std::vector<std::wstring> create = CreateCommand({L"--text", text, L"--program", marker, L"--replace"});
    const auto started = [](const std::vector<std::wstring>& arguments) {
        std::wstring command = CommandLine(arguments);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        EXPECT_TRUE(CreateProcessW(Program().c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                   &startup, &process));
        CloseHandle(process.hThread);
        return UniqueKernelHandle(process.hProcess);
    };
    Created({L"--text", text, L"--program", marker});
    // Each run is ended a random few milliseconds after it begins to change
    // anything: the moment Barsmith's settings get the note of the change.
    RegKey settings;
    ASSERT_EQ(settings.Create(api, HKEY_CURRENT_USER, L"Software\\Barsmith", KEY_NOTIFY), ERROR_SUCCESS);
    const UniqueKernelHandle changing(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    std::mt19937 random(std::hash<std::wstring>{}(tag));
    std::uniform_int_distribution<DWORD> delay(0, 6);
    for (int run = 0; run < 24; ++run) {
        ResetEvent(changing.get());
        RegNotifyChangeKeyValue(settings.get(), TRUE, REG_NOTIFY_CHANGE_NAME, changing.get(), TRUE);
        const UniqueKernelHandle process = started(run % 4 == 3 ? std::vector<std::wstring>{L"remove", text} : create);
        const HANDLE either[] = {process.get(), changing.get()};
        if (WaitForMultipleObjects(2, either, FALSE, 60000) == WAIT_OBJECT_0 + 1) {
            Sleep(delay(random));
            TerminateProcess(process.get(), 9);
        }
        WaitForSingleObject(process.get(), 60000);
    }
    Barsmith({L"list"});

    std::set<std::wstring> guids;
    for (const KeyPlace place : AllPlaces()) {
        RegKey extensions;
        std::vector<std::wstring> names;
        extensions.Open(api, place.root, kExtensionsPath, KEY_READ | place.view);
        extensions.SubKeyNames(names);
        for (const std::wstring& name : names) {
            RegKey key;
            key.Open(api, place.root, ExtensionKeyPath(name), KEY_READ | place.view);
            if (key.Text(L"Exec") == marker) guids.insert(made.Add(name));
        }
    }
    if (const std::optional<std::wstring> listed = catalogue.Lookup(text)) guids.insert(*listed);
    EXPECT_TRUE(testing::Consistent(api, catalogue, guids));
}

}  // namespace
}  // namespace barsmith
