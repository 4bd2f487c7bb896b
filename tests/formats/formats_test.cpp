// The Group Policy file and the installer package, from entries made up in
// the test: what each refuses, how their texts are escaped, and the GUIDs
// that must come out the same in every export.
#include <windows.h>
#include <msiquery.h>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "formats/gpp_file.h"
#include "formats/msi_package.h"
#include "model/guid.h"

namespace barsmith {
namespace {

RegistryValue Value(const std::wstring& name, const std::wstring& bytesAsText, DWORD type = REG_SZ) {
    std::vector<BYTE> data(bytesAsText.size() * sizeof(wchar_t));
    if (!data.empty()) memcpy(data.data(), bytesAsText.data(), data.size());
    return {name, type, data};
}

std::vector<ExportedEntry> EntryWith(const RegistryValue& value, HKEY hive = HKEY_LOCAL_MACHINE) {
    ExportedKey key{{hive, hive == HKEY_LOCAL_MACHINE ? KEY_WOW64_64KEY : REGSAM{0}},
                    {Value(L"CLSID", std::wstring(L"{1}\0", 4)), value}};
    return {{L"Notes", L"{00000000-0000-0000-0000-000000000001}", {key}}};
}

TEST(WholeTextTest, OnlyAStringEndedByItsOneNulIsWholeText) {
    const struct {
        RegistryValue value;
        std::optional<std::wstring> text;
    } table[] = {
        {Value(L"a", std::wstring(L"x\0", 2)), L"x"},
        {Value(L"a", std::wstring(L"\0", 1)), L""},
        {Value(L"a", L"x"), std::nullopt},                           // no NUL
        {Value(L"a", std::wstring(L"x\0y\0", 4)), std::nullopt},     // a NUL inside
        {Value(L"a", std::wstring(L"x\0", 2), REG_EXPAND_SZ), std::nullopt},
        {{L"a", REG_SZ, {0x78, 0x00, 0x00}}, std::nullopt},          // an odd byte
        {{L"a", REG_SZ, {}}, std::nullopt},
    };
    for (const auto& row : table) EXPECT_EQ(WholeText(row.value), row.text) << &row - table;
}

TEST(GroupPolicyFileTest, RefusesWhatXmlCannotCarryAndNamesTheValue) {
    using Why = UnfitValue::Why;
    const struct {
        RegistryValue value;
        std::optional<Why> why;
    } table[] = {
        {Value(L"Tip", std::wstring(L"a\tb\r\nc &<>\"'\0", 13)), std::nullopt},
        {Value(L"Tip", std::wstring(L"\xD83D\xDE00\0", 3)), std::nullopt},  // a pair of surrogates
        {Value(L"", std::wstring(L"x\0", 2)), std::nullopt},                // the key's default value
        {Value(L"Tip", std::wstring(L"\x1B[2J\0", 5)), Why::Character},
        {Value(L"Tip", std::wstring(L"\xD83Dx\0", 3)), Why::Character},
        {Value(L"Tip", std::wstring(L"\xDE00\0", 2)), Why::Character},
        {Value(L"Tip", std::wstring(L"\xFFFE\0", 2)), Why::Character},
        {Value(L"Tip\x01", std::wstring(L"x\0", 2)), Why::Name},
        {Value(L"Tip", L"x"), Why::NotText},
        {Value(L"Tip", std::wstring(L"x\0", 2), REG_MULTI_SZ), Why::NotText},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(&row - table);
        const std::optional<UnfitValue> unfit = FirstUnfitForGroupPolicy(EntryWith(row.value));
        ASSERT_EQ(unfit.has_value(), row.why.has_value());
        if (unfit) { EXPECT_TRUE(unfit->why == *row.why && unfit->name == row.value.name && unfit->key == 0); }
    }
    std::vector<ExportedEntry> named = EntryWith(Value(L"Tip", std::wstring(L"x\0", 2)));
    named[0].text = L"Bad\x7F\x01";
    ASSERT_TRUE(FirstUnfitForGroupPolicy(named));
    EXPECT_EQ(FirstUnfitForGroupPolicy(named)->why, Why::EntryText);
}

TEST(GroupPolicyFileTest, EveryItemHasItsOwnUidAndTheActionTheOptionsAsk) {
    std::vector<ExportedEntry> entries = EntryWith(Value(L"", std::wstring(L"a\"&\0", 4)));
    entries[0].text = L"<Notes & Co>";
    entries[0].keys.push_back({{HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY}, entries[0].keys[0].values});
    int uids = 0;
    const auto uid = [&] { return L"{UID-" + std::to_wstring(++uids) + L"}"; };
    for (const bool remove : {false, true}) {
        uids = 0;
        const std::string file = GroupPolicyFileBytes(entries, {remove, L"2026-01-02 03:04:05", uid});
        const auto has = [&](const std::string& part) { return file.find(part) != std::string::npos; };
        EXPECT_TRUE(file.starts_with("<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<RegistrySettings clsid="));
        EXPECT_TRUE(has("<Collection clsid=\"{53B533F5-224C-47e3-B01B-CA3B3F3FF4BF}\" name=\"&lt;Notes &amp; Co&gt;\">"));
        EXPECT_EQ(uids, 4) << "one item per value and place";
        EXPECT_TRUE(has("uid=\"{UID-4}\"") && !has("uid=\"{UID-5}\""));
        EXPECT_TRUE(has("key=\"Software\\Wow6432Node\\Microsoft\\Internet Explorer\\Extensions\\{0000"));
        EXPECT_TRUE(has("name=\"(Default)\" status=\"(Default)\""));
        EXPECT_TRUE(has("default=\"1\" hive=\"HKEY_LOCAL_MACHINE\" key=\"Software\\Microsoft\\Internet Explorer"));
        EXPECT_TRUE(has("name=\"\" type=\"REG_SZ\" value=\"a&quot;&amp;\"/>"));
        EXPECT_EQ(has("removePolicy=\"1\""), remove);
        EXPECT_EQ(has("action=\"R\""), remove);
        EXPECT_EQ(has("action=\"U\""), !remove);
        EXPECT_TRUE(has("changed=\"2026-01-02 03:04:05\""));
    }
}

TEST(GroupPolicyFileTest, APerUserButtonIsAnItemOfTheCurrentUsersHive) {
    const std::string file = GroupPolicyFileBytes(EntryWith(Value(L"Tip", std::wstring(L"x\0", 2)), HKEY_CURRENT_USER),
                                                  {false, L"2026-01-02 03:04:05", [] { return std::wstring(L"{U}"); }});
    EXPECT_NE(file.find("hive=\"HKEY_CURRENT_USER\" key=\"Software\\Microsoft\\Internet Explorer\\Extensions\\{"),
              std::string::npos);
    EXPECT_EQ(file.find("HKEY_LOCAL_MACHINE"), std::string::npos);
}

TEST(GroupPolicyFileTest, ATextIsEscapedWhereXmlReadsItOtherwiseAndWrittenAsUtf8) {
    const struct {
        std::wstring text;
        std::string value;  // the bytes of the value="" attribute
    } table[] = {
        {L"a&b<c>d\"e'f", "a&amp;b&lt;c&gt;d&quot;e&apos;f"},
        {L"\tg\nh\r", "&#9;g&#10;h&#13;"},
        {L"\x007F\x0080\x07FF\x0800", "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80"},  // the edges of one, two and three bytes
        {L"\x20AC\xFFFD\xD7FF\xE000", "\xE2\x82\xAC\xEF\xBF\xBD\xED\x9F\xBF\xEE\x80\x80"},
        {L"\xD800\xDC00\xDBFF\xDFFF", "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF"},  // pairs of surrogates: four bytes
    };
    for (const auto& row : table) {
        const std::string file = GroupPolicyFileBytes(EntryWith(Value(L"Tip", row.text + L'\0')),
                                                      {false, L"now", [] { return std::wstring(L"{U}"); }});
        EXPECT_NE(file.find("name=\"Tip\" type=\"REG_SZ\" value=\"" + row.value + "\"/>"), std::string::npos)
            << row.value;
    }
}

TEST(PackageTest, VersionsAreThreeNumbersWithinTheInstallersLimits) {
    for (const wchar_t* good : {L"0.0.0", L"1.2.3", L"255.255.65535", L"01.002.00003"})
        EXPECT_TRUE(IsPackageVersion(good)) << good;
    for (const wchar_t* bad : {L"", L"1", L"1.2", L"1.2.3.4", L"256.0.0", L"0.256.0", L"0.0.65536", L"1..3", L"1.2.",
                               L".1.2", L"1.2.3 ", L"-1.2.3", L"1.2.x", L"+1.2.3", L"1.2.000065535", L"\x0661.2.3"})
        EXPECT_FALSE(IsPackageVersion(bad)) << bad;
}

TEST(PackageTest, InstallerTextKeepsBracketsBracesAndALeadingNumberSign) {
    const struct {
        const wchar_t* text;
        const wchar_t* escaped;
    } table[] = {
        {L"C:\\a.exe", L"C:\\a.exe"},
        {L"[ProgramFilesFolder]", L"[\\[]ProgramFilesFolder[\\]]"},
        {L"{[x]}", L"[\\{][\\[]x[\\]][\\}]"},
        {L"#1", L"##1"},
        {L"##", L"###"},
        {L"a#", L"a#"},
        {L"[~]", L"[\\[]~[\\]]"},
    };
    for (const auto& row : table) EXPECT_EQ(InstallerText(row.text), row.escaped);
}

TEST(PackageTest, TheUpgradeCodeFollowsTheProductNameWhateverItsCase) {
    const std::wstring code = UpgradeCodeFor(L"Contoso Buttons");
    EXPECT_EQ(code.size(), 38u);
    EXPECT_EQ(code[15], L'5') << "a name-based GUID";
    EXPECT_EQ(UpgradeCodeFor(L"CONTOSO buttons"), code);
    EXPECT_NE(UpgradeCodeFor(L"Contoso Buttons 2"), code);
    EXPECT_NE(UpgradeCodeFor(L"Contoso Button"), code);
    EXPECT_NE(NameBasedGuid(L"a"), NameBasedGuid(L"b"));
}

TEST(PackageTest, RefusesValuesTheInstallerCannotWriteBackAlike) {
    using Why = UnfitValue::Why;
    const PackageDetails details{L"P", L"1.0.0", L"M"};
    const struct {
        RegistryValue value;
        std::optional<Why> why;
    } table[] = {
        {Value(L"Tip", std::wstring(L"[a]{b}#\x00DC\x20AC\0", 10)), std::nullopt},
        {Value(L"", std::wstring(L"x\0", 2)), std::nullopt},
        {Value(L"Tip", std::wstring(L"\0", 1)), Why::Empty},
        {Value(L"Tip", std::wstring(L"1\0", 2), REG_DWORD), Why::NotText},
        {Value(L"Tip", std::wstring(L"a\0b\0", 4)), Why::NotText},
        {Value(L"Tip", std::wstring(L"\x0E01\x00DC\0", 3)), Why::Character},
        {Value(L"\x0E01\x00DC", std::wstring(L"x\0", 2)), Why::Name},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(&row - table);
        const std::optional<UnfitValue> unfit = FirstUnfitForPackage(EntryWith(row.value), details);
        ASSERT_EQ(unfit.has_value(), row.why.has_value());
        if (unfit) { EXPECT_TRUE(unfit->why == *row.why && unfit->name == row.value.name); }
    }
}

// A package's table as its rows of text, read back through the installer.
std::vector<std::vector<std::wstring>> Rows(const std::wstring& package, const std::wstring& query) {
    std::vector<std::vector<std::wstring>> rows;
    MSIHANDLE db = 0;
    MSIHANDLE view = 0;
    if (MsiOpenDatabaseW(package.c_str(), MSIDBOPEN_READONLY, &db)) return rows;
    if (!MsiDatabaseOpenViewW(db, query.c_str(), &view) && !MsiViewExecute(view, 0)) {
        for (MSIHANDLE record = 0; MsiViewFetch(view, &record) == ERROR_SUCCESS; MsiCloseHandle(record)) {
            std::vector<std::wstring>& row = rows.emplace_back();
            for (UINT field = 1; field <= MsiRecordGetFieldCount(record); ++field) {
                wchar_t text[512]{};
                DWORD size = 512;
                MsiRecordGetStringW(record, field, text, &size);
                row.emplace_back(text);
            }
        }
        MsiCloseHandle(view);
    }
    MsiCloseHandle(db);
    return rows;
}

class PackageFileTest : public ::testing::Test {
protected:
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / (L"package " + CreateGUID());
    PackageFileTest() { std::filesystem::create_directories(folder); }
    ~PackageFileTest() override {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
};

// Machine-wide buttons, each in both views with values of its own.
std::vector<ExportedEntry> MachineButtons(int count) {
    std::vector<ExportedEntry> entries;
    for (int n = 0; n < count; ++n) {
        const std::wstring text = L"Button " + std::to_wstring(n);
        std::vector<RegistryValue> values{Value(L"ButtonText", text + std::wstring(1, L'\0')),
                                          Value(L"Exec", L"C:\\Tools\\t" + std::to_wstring(n) + L".exe" +
                                                             std::wstring(1, L'\0')),
                                          Value(L"CLSID", std::wstring(L"{1}\0", 4))};
        entries.push_back({text, CreateGUID(), {{{HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY}, values},
                                                {{HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY}, values}}});
    }
    return entries;
}

TEST_F(PackageFileTest, EveryKeyPlaceIsAComponentOfItsOwnValuesWithTheSameIdInEveryPackage) {
    const std::vector<ExportedEntry> entries = MachineButtons(3);
    const PackageDetails details{L"P", L"1.0.0", L"M"};
    const std::wstring first = (folder / L"first.msi").wstring();
    const std::wstring second = (folder / L"second.msi").wstring();
    ASSERT_EQ(BuildPackage(first, entries, details), static_cast<UINT>(ERROR_SUCCESS));
    ASSERT_EQ(BuildPackage(second, {entries[1]}, details), static_cast<UINT>(ERROR_SUCCESS));

    // Each value a Registry row of its place's component: 64-bit view first.
    std::map<std::wstring, std::vector<std::wstring>> values;  // component -> "key|name|value" of its rows
    std::map<std::wstring, std::wstring> componentOfRow;
    for (const auto& row : Rows(first, L"SELECT `Registry`, `Key`, `Name`, `Value`, `Component_` FROM `Registry`")) {
        values[row[4]].push_back(row[1] + L"|" + row[2] + L"|" + row[3]);
        componentOfRow[row[0]] = row[4];
    }
    const auto components = Rows(first, L"SELECT `Component`, `ComponentId`, `Attributes`, `KeyPath` FROM `Component`");
    ASSERT_EQ(components.size(), 6u);
    ASSERT_EQ(values.size(), 6u);
    std::set<std::wstring> ids;
    std::map<std::wstring, std::set<std::wstring>> placesOfButton;  // key -> "attributes id" of its components
    for (const auto& component : components) {
        SCOPED_TRACE(component[0]);
        EXPECT_EQ(componentOfRow[component[3]], component[0]) << "the key path is one of the component's own values";
        ASSERT_EQ(values[component[0]].size(), 3u);
        EXPECT_EQ(component[1].size(), 38u);
        ids.insert(component[1]);
        const std::wstring& first = values[component[0]][0];
        placesOfButton[first.substr(0, first.find(L'|'))].insert(component[2] + L" " + component[1]);
    }
    EXPECT_EQ(ids.size(), 6u) << "each place of each button has a component GUID of its own";
    const std::set<std::wstring>& places = placesOfButton[InstallerText(ExtensionKeyPath(entries[1].guid))];
    ASSERT_EQ(places.size(), 2u);
    // A 64-bit component (256) and a 32-bit one, each keyed by a registry value (4).
    EXPECT_TRUE(places.begin()->starts_with(L"260 ") && places.rbegin()->starts_with(L"4 "));
    EXPECT_EQ(Rows(first, L"SELECT `Component_` FROM `FeatureComponents` WHERE `Feature_` = 'Buttons'").size(), 6u);
    std::set<std::wstring> execs;
    for (const auto& [component, rows] : values) execs.insert(rows.begin(), rows.end());
    EXPECT_TRUE(execs.contains(InstallerText(ExtensionKeyPath(entries[1].guid)) + L"|Exec|C:\\Tools\\t1.exe"));

    // The second button alone in another package: the same components.
    std::set<std::wstring> alone;
    for (const auto& row : Rows(second, L"SELECT `Attributes`, `ComponentId` FROM `Component`"))
        alone.insert(row[0] + L" " + row[1]);
    EXPECT_EQ(alone, places);
}

TEST_F(PackageFileTest, AFileAnotherProgramPutWhereTheCodePageGoesIsNeitherImportedNorDeleted) {
    const std::wstring package = (folder / L"buttons.msi").wstring();
    std::ofstream(std::filesystem::path(package + L".cp")) << "\r\n\r\nCustomAction\tAction\r\n";
    EXPECT_EQ(BuildPackage(package, MachineButtons(1), {L"P", L"1.0.0", L"M"}), static_cast<UINT>(ERROR_FILE_EXISTS));
    EXPECT_TRUE(std::filesystem::exists(package + L".cp"));
}

}  // namespace
}  // namespace barsmith
