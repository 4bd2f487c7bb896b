#include "formats/msi_package.h"

#include <wtypes.h>
#include <msi.h>
#include <msidefs.h>
#include <msiquery.h>
#include <wincrypt.h>

#include <array>
#include <cwchar>
#include <map>
#include <memory>
#include <utility>

#include "model/guid.h"
#include "platform/handles.h"
#include "platform/library.h"

namespace barsmith {
namespace {

// The program's own namespace for name-based GUIDs.
constexpr std::array<BYTE, 16> kNamespace{0x2a, 0x57, 0xe6, 0x5d, 0xe4, 0x19, 0x41, 0xa3,
                                          0x93, 0xcf, 0x8a, 0x1a, 0x03, 0x7d, 0x13, 0x6a};

// The installer's limits of a product version's three fields.
constexpr unsigned long kVersionLimits[] = {255, 255, 65535};

// Component attributes: the key path is a registry value; a 64-bit component.
constexpr int kRegistryKeyPath = 0x4;
constexpr int kComponent64 = 0x100;
// Upgrade attributes: detect only, the minimum version included.
constexpr int kOnlyDetect = 0x2;
constexpr int kVersionMinInclusive = 0x100;
// Registry roots of the Registry table.
constexpr int kRootCurrentUser = 1;
constexpr int kRootLocalMachine = 2;
// Summary information: package needs no elevation (a per-user package).
constexpr int kWordCountNoElevation = 0x8;
constexpr int kWordCountCompressed = 0x2;

struct CryptContextTraits {
    using Handle = HCRYPTPROV;
    static constexpr Handle Invalid() noexcept { return 0; }
    static void Close(Handle h) noexcept { CryptReleaseContext(h, 0); }
};
struct CryptHashTraits {
    using Handle = HCRYPTHASH;
    static constexpr Handle Invalid() noexcept { return 0; }
    static void Close(Handle h) noexcept { CryptDestroyHash(h); }
};

std::wstring InvariantUpper(const std::wstring& text) {
    if (text.empty()) return text;
    std::wstring upper(text.size(), L'\0');
    const int length = LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, text.data(), static_cast<int>(text.size()),
                                     upper.data(), static_cast<int>(upper.size()), nullptr, nullptr, 0);
    return length == static_cast<int>(text.size()) ? upper : text;
}

// Name-based GUIDs from one context of the system's cryptography: acquiring
// a context costs far more than hashing a name, and a package derives one
// GUID for every key place.
class NameGuids {
public:
    NameGuids() {
        HCRYPTPROV provider = 0;
        if (CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT))
            context_.reset(provider);
    }
    // The GUID of `name`, or nothing when the system cannot hash.
    std::wstring Of(const std::wstring& name) const {
        if (!context_) return {};
        UniqueHandle<CryptHashTraits> hash;
        HCRYPTHASH made = 0;
        if (!CryptCreateHash(context_.get(), CALG_SHA1, 0, 0, &made)) return {};
        hash.reset(made);
        std::array<BYTE, 20> digest{};
        DWORD size = digest.size();
        if (!CryptHashData(hash.get(), kNamespace.data(), kNamespace.size(), 0) ||
            !CryptHashData(hash.get(), reinterpret_cast<const BYTE*>(name.data()),
                           static_cast<DWORD>(name.size() * sizeof(wchar_t)), 0) ||
            !CryptGetHashParam(hash.get(), HP_HASHVAL, digest.data(), &size, 0))
            return {};
        digest[6] = static_cast<BYTE>((digest[6] & 0x0F) | 0x50);  // version 5: name-based, SHA-1
        digest[8] = static_cast<BYTE>((digest[8] & 0x3F) | 0x80);  // the variant of RFC 4122
        wchar_t text[39];
        swprintf(text, 39, L"{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}", digest[0],
                 digest[1], digest[2], digest[3], digest[4], digest[5], digest[6], digest[7], digest[8], digest[9],
                 digest[10], digest[11], digest[12], digest[13], digest[14], digest[15]);
        return text;
    }

private:
    UniqueHandle<CryptContextTraits> context_;
};

// The calls of msi.dll the package is built with, found at first use.
struct Installer {
    decltype(&MsiOpenDatabaseW) openDatabase = nullptr;
    decltype(&MsiDatabaseOpenViewW) openView = nullptr;
    decltype(&MsiViewExecute) execute = nullptr;
    decltype(&MsiViewClose) closeView = nullptr;
    decltype(&MsiCreateRecord) createRecord = nullptr;
    decltype(&MsiRecordSetStringW) setString = nullptr;
    decltype(&MsiRecordSetInteger) setInteger = nullptr;
    decltype(&MsiCloseHandle) close = nullptr;
    decltype(&MsiGetSummaryInformationW) summary = nullptr;
    decltype(&MsiSummaryInfoSetPropertyW) setSummary = nullptr;
    decltype(&MsiSummaryInfoPersist) persistSummary = nullptr;
    decltype(&MsiDatabaseImportW) import = nullptr;
    decltype(&MsiDatabaseCommit) commit = nullptr;

    explicit Installer(LazyLibrary& msi)
        : openDatabase(msi.Find<decltype(MsiOpenDatabaseW)>("MsiOpenDatabaseW")),
          openView(msi.Find<decltype(MsiDatabaseOpenViewW)>("MsiDatabaseOpenViewW")),
          execute(msi.Find<decltype(MsiViewExecute)>("MsiViewExecute")),
          closeView(msi.Find<decltype(MsiViewClose)>("MsiViewClose")),
          createRecord(msi.Find<decltype(MsiCreateRecord)>("MsiCreateRecord")),
          setString(msi.Find<decltype(MsiRecordSetStringW)>("MsiRecordSetStringW")),
          setInteger(msi.Find<decltype(MsiRecordSetInteger)>("MsiRecordSetInteger")),
          close(msi.Find<decltype(MsiCloseHandle)>("MsiCloseHandle")),
          summary(msi.Find<decltype(MsiGetSummaryInformationW)>("MsiGetSummaryInformationW")),
          setSummary(msi.Find<decltype(MsiSummaryInfoSetPropertyW)>("MsiSummaryInfoSetPropertyW")),
          persistSummary(msi.Find<decltype(MsiSummaryInfoPersist)>("MsiSummaryInfoPersist")),
          import(msi.Find<decltype(MsiDatabaseImportW)>("MsiDatabaseImportW")),
          commit(msi.Find<decltype(MsiDatabaseCommit)>("MsiDatabaseCommit")) {}

    bool Complete() const {
        return openDatabase && openView && execute && closeView && createRecord && setString && setInteger && close &&
               summary && setSummary && persistSummary && import && commit;
    }
};

// Owns one handle of the installer's and closes it through the installer.
class MsiHandle {
public:
    MsiHandle(const Installer& installer, MSIHANDLE handle) noexcept : installer_(installer), handle_(handle) {}
    MsiHandle(const MsiHandle&) = delete;
    MsiHandle& operator=(const MsiHandle&) = delete;
    ~MsiHandle() {
        if (handle_) installer_.close(handle_);
    }
    MSIHANDLE get() const noexcept { return handle_; }

private:
    const Installer& installer_;
    MSIHANDLE handle_;
};

// A cell of a row: text (none: null) or a number.
struct Cell {
    const wchar_t* text = nullptr;
    int number = 0;
    bool isNumber = false;
    Cell(const wchar_t* t) : text(t) {}  // NOLINT: rows read as lists of cells
    Cell(const std::wstring& t) : text(t.c_str()) {}
    Cell(int n) : number(n), isNumber(true) {}
};

class Database {
public:
    Database(const Installer& installer, MSIHANDLE handle) : installer_(installer), db_(installer, handle) {}

    UINT Run(const std::wstring& sql) const { return Insert(sql, {}); }
    // Runs the statement with the cells for its "?" markers. A statement is
    // parsed once, and its view and record serve every row it inserts.
    UINT Insert(const std::wstring& sql, std::initializer_list<Cell> cells) const {
        auto found = prepared_.find(sql);
        if (found == prepared_.end()) {
            MSIHANDLE view = 0;
            if (const UINT status = installer_.openView(db_.get(), sql.c_str(), &view)) return status;
            const MSIHANDLE record = cells.size() ? installer_.createRecord(static_cast<UINT>(cells.size())) : 0;
            found = prepared_.emplace(sql, std::make_unique<Prepared>(installer_, view, record)).first;
            if (cells.size() && !record) return ERROR_OUTOFMEMORY;
        }
        const Prepared& statement = *found->second;
        UINT field = 1;
        for (const Cell& cell : cells) {
            const UINT status = cell.isNumber ? installer_.setInteger(statement.record.get(), field, cell.number)
                                              : installer_.setString(statement.record.get(), field, cell.text);
            if (status) return status;
            ++field;
        }
        const UINT status = installer_.execute(statement.view.get(), statement.record.get());
        installer_.closeView(statement.view.get());
        return status;
    }
    MSIHANDLE get() const { return db_.get(); }

private:
    struct Prepared {
        Prepared(const Installer& installer, MSIHANDLE v, MSIHANDLE r) : view(installer, v), record(installer, r) {}
        MsiHandle view;
        MsiHandle record;
    };
    const Installer& installer_;
    MsiHandle db_;
    // Declared after the database: its views close first.
    mutable std::map<std::wstring, std::unique_ptr<Prepared>> prepared_;
};

// Every text the package holds, for the choice of its code page.
template <typename Visit>
void EachText(const std::vector<ExportedEntry>& entries, const PackageDetails& details, Visit visit) {
    visit(details.product, std::optional<UnfitValue>{});
    visit(details.manufacturer, std::optional<UnfitValue>{});
    for (size_t e = 0; e < entries.size(); ++e) {
        for (size_t k = 0; k < entries[e].keys.size(); ++k) {
            for (const RegistryValue& value : entries[e].keys[k].values) {
                visit(value.name, std::optional{UnfitValue{e, k, value.name, UnfitValue::Why::Name}});
                if (const std::optional<std::wstring> text = WholeText(value))
                    visit(*text, std::optional{UnfitValue{e, k, value.name, UnfitValue::Why::Character}});
            }
        }
    }
}

bool FitsCodePage(UINT codePage, std::wstring_view text) {
    if (text.empty()) return true;
    BOOL defaulted = FALSE;
    const int size = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, &defaulted);
    return size > 0 && !defaulted;
}

// The code pages a package is written in, first choice first: Western
// European, then the system's. The installer keeps a package's texts in
// one code page; it does not take UTF-8.
std::vector<UINT> CandidateCodePages() {
    std::vector<UINT> pages{1252};
    if (GetACP() != 1252) pages.push_back(GetACP());
    return pages;
}

// The first code page all texts fit, and else what does not fit the last.
UINT CodePageFor(const std::vector<ExportedEntry>& entries, const PackageDetails& details,
                 std::optional<UnfitValue>& unfit) {
    for (const UINT page : CandidateCodePages()) {
        unfit.reset();
        bool fits = true;
        EachText(entries, details, [&](std::wstring_view text, const std::optional<UnfitValue>& where) {
            if (fits && !FitsCodePage(page, text)) {
                fits = false;
                unfit = where;
            }
        });
        if (fits) return page;
    }
    return 0;
}

// Writes a new file that the installer reads by its name, and gives the
// handle that keeps it as written until the reading is done. Another program
// of the user may open the file like any other it can write, so the handle
// held shares reading only: while it is open no one can write, delete,
// rename or replace the file. It is taken from the writing handle in two
// steps, never by the name, and what the file holds once no one else can
// write it must be what was written. ERROR_SUCCESS or why not.
UINT WriteFileToImport(const std::wstring& path, const std::string& text, UniqueFile& held) {
    UniqueFile writing(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_TEMPORARY, nullptr));
    if (!writing) return GetLastError();
    DWORD done = 0;
    if (!WriteFile(writing.get(), text.data(), static_cast<DWORD>(text.size()), &done, nullptr)) return GetLastError();
    if (done != text.size()) return ERROR_WRITE_FAULT;
    // Shares writing only with the handle that wrote; a writer that opens the
    // file when that is closed makes the last step fail.
    UniqueFile bridge(ReOpenFile(writing.get(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, 0));
    if (!bridge) return GetLastError();
    writing.reset();
    held.reset(ReOpenFile(bridge.get(), GENERIC_READ, FILE_SHARE_READ, 0));
    if (!held) return GetLastError();
    std::string read(text.size() + 1, '\0');
    if (!ReadFile(held.get(), read.data(), static_cast<DWORD>(read.size()), &done, nullptr)) return GetLastError();
    return read.substr(0, done) == text ? ERROR_SUCCESS : ERROR_FILE_INVALID;
}

UINT WriteCodePage(const Database& db, const Installer& installer, const std::wstring& path, UINT page) {
    // The installer takes a database's code page only from an imported table file.
    const size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return ERROR_BAD_PATHNAME;
    const std::wstring file = path + L".cp";
    UniqueFile held;
    UINT status = WriteFileToImport(file, "\r\n\r\n" + std::to_string(page) + "\t_ForceCodepage\r\n", held);
    if (status == ERROR_FILE_EXISTS) return status;  // another's file: never imported, never deleted
    if (!status) status = installer.import(db.get(), path.substr(0, slash).c_str(), file.substr(slash + 1).c_str());
    held.reset();
    DeleteFileW(file.c_str());
    return status;
}

constexpr const wchar_t* kTables[] = {
    L"CREATE TABLE `Property` (`Property` CHAR(72) NOT NULL, `Value` LONGCHAR NOT NULL LOCALIZABLE "
    L"PRIMARY KEY `Property`)",
    L"CREATE TABLE `Directory` (`Directory` CHAR(72) NOT NULL, `Directory_Parent` CHAR(72), "
    L"`DefaultDir` CHAR(255) NOT NULL LOCALIZABLE PRIMARY KEY `Directory`)",
    L"CREATE TABLE `Feature` (`Feature` CHAR(38) NOT NULL, `Feature_Parent` CHAR(38), `Title` CHAR(64) LOCALIZABLE, "
    L"`Description` CHAR(255) LOCALIZABLE, `Display` SHORT, `Level` SHORT NOT NULL, `Directory_` CHAR(72), "
    L"`Attributes` SHORT NOT NULL PRIMARY KEY `Feature`)",
    L"CREATE TABLE `Component` (`Component` CHAR(72) NOT NULL, `ComponentId` CHAR(38), `Directory_` CHAR(72) NOT NULL, "
    L"`Attributes` SHORT NOT NULL, `Condition` CHAR(255), `KeyPath` CHAR(72) PRIMARY KEY `Component`)",
    L"CREATE TABLE `FeatureComponents` (`Feature_` CHAR(38) NOT NULL, `Component_` CHAR(72) NOT NULL "
    L"PRIMARY KEY `Feature_`, `Component_`)",
    L"CREATE TABLE `Registry` (`Registry` CHAR(72) NOT NULL, `Root` SHORT NOT NULL, `Key` LONGCHAR NOT NULL LOCALIZABLE, "
    L"`Name` LONGCHAR LOCALIZABLE, `Value` LONGCHAR LOCALIZABLE, `Component_` CHAR(72) NOT NULL PRIMARY KEY `Registry`)",
    L"CREATE TABLE `Upgrade` (`UpgradeCode` CHAR(38) NOT NULL, `VersionMin` CHAR(20), `VersionMax` CHAR(20), "
    L"`Language` CHAR(255), `Attributes` LONG NOT NULL, `Remove` CHAR(255), `ActionProperty` CHAR(72) NOT NULL "
    L"PRIMARY KEY `UpgradeCode`, `VersionMin`, `VersionMax`, `Language`, `Attributes`)",
    L"CREATE TABLE `LaunchCondition` (`Condition` CHAR(255) NOT NULL, `Description` CHAR(255) NOT NULL LOCALIZABLE "
    L"PRIMARY KEY `Condition`)",
    L"CREATE TABLE `InstallExecuteSequence` (`Action` CHAR(72) NOT NULL, `Condition` CHAR(255), `Sequence` SHORT "
    L"PRIMARY KEY `Action`)",
    L"CREATE TABLE `InstallUISequence` (`Action` CHAR(72) NOT NULL, `Condition` CHAR(255), `Sequence` SHORT "
    L"PRIMARY KEY `Action`)",
};

// The standard actions of a package of registry values only. The older
// version goes before the new one is installed (between InstallValidate and
// InstallInitialize), so that values the new one drops are gone.
constexpr std::pair<const wchar_t*, int> kExecuteSequence[] = {
    {L"FindRelatedProducts", 25}, {L"LaunchConditions", 100},     {L"ValidateProductID", 700},
    {L"CostInitialize", 800},     {L"FileCost", 900},             {L"CostFinalize", 1000},
    {L"InstallValidate", 1400},   {L"RemoveExistingProducts", 1450}, {L"InstallInitialize", 1500},
    {L"ProcessComponents", 1600}, {L"UnpublishFeatures", 1800},   {L"RemoveRegistryValues", 2600},
    {L"WriteRegistryValues", 5000}, {L"RegisterUser", 6000},      {L"RegisterProduct", 6100},
    {L"PublishFeatures", 6300},   {L"PublishProduct", 6400},      {L"InstallFinalize", 6600},
};
constexpr std::pair<const wchar_t*, int> kUISequence[] = {
    {L"FindRelatedProducts", 25}, {L"LaunchConditions", 100}, {L"CostInitialize", 800},
    {L"FileCost", 900},           {L"CostFinalize", 1000},    {L"ExecuteAction", 1300},
};

#define BARSMITH_TRY(call)                         \
    do {                                           \
        if (const UINT status_ = (call)) return status_; \
    } while (false)

UINT WriteProperties(const Database& db, const PackageDetails& details, bool machine) {
    const std::wstring upgradeCode = UpgradeCodeFor(details.product);
    const std::wstring productCode = CreateGUID();
    const std::pair<const wchar_t*, std::wstring> properties[] = {
        {L"ProductCode", productCode},
        {L"ProductName", details.product},
        {L"ProductVersion", details.version},
        {L"Manufacturer", details.manufacturer},
        {L"ProductLanguage", L"1033"},
        {L"UpgradeCode", upgradeCode},
        {L"ARPNOMODIFY", L"1"},
        {L"ARPNOREPAIR", L"1"},
        {L"SecureCustomProperties", L"OLDERFOUND;NEWERFOUND"},
    };
    if (productCode.empty()) return ERROR_OUTOFMEMORY;
    constexpr wchar_t kInsert[] = L"INSERT INTO `Property` (`Property`, `Value`) VALUES (?, ?)";
    for (const auto& [name, value] : properties) BARSMITH_TRY(db.Insert(kInsert, {name, value}));
    if (machine) BARSMITH_TRY(db.Insert(kInsert, {L"ALLUSERS", L"1"}));
    constexpr wchar_t kUpgrade[] =
        L"INSERT INTO `Upgrade` (`UpgradeCode`, `VersionMin`, `VersionMax`, `Attributes`, `ActionProperty`) "
        L"VALUES (?, ?, ?, ?, ?)";
    // Older versions are removed; the same or a newer one refuses the installation.
    BARSMITH_TRY(db.Insert(kUpgrade, {upgradeCode, nullptr, details.version, 0, L"OLDERFOUND"}));
    BARSMITH_TRY(
        db.Insert(kUpgrade, {upgradeCode, details.version, nullptr, kOnlyDetect | kVersionMinInclusive, L"NEWERFOUND"}));
    BARSMITH_TRY(db.Insert(L"INSERT INTO `LaunchCondition` (`Condition`, `Description`) VALUES (?, ?)",
                           {L"Installed OR NOT NEWERFOUND",
                            L"The same or a newer version of [ProductName] is installed already."}));
    for (const auto& [action, sequence] : kExecuteSequence)
        BARSMITH_TRY(db.Insert(L"INSERT INTO `InstallExecuteSequence` (`Action`, `Sequence`) VALUES (?, ?)",
                               {action, sequence}));
    for (const auto& [action, sequence] : kUISequence)
        BARSMITH_TRY(
            db.Insert(L"INSERT INTO `InstallUISequence` (`Action`, `Sequence`) VALUES (?, ?)", {action, sequence}));
    return ERROR_SUCCESS;
}

// The rows of every key place. The installer looks for a row of the same key
// before it inserts one, and with thousands of rows that search is what
// takes the time; it is skipped when a text of the key is new to the
// package. So each place's rows go in where their keys are new: its
// FeatureComponents row before anything names the component, its Registry
// rows before the Component row names the first of them. Only the Component
// row is searched for, one short column per row.
UINT WriteRegistry(const Database& db, const std::vector<ExportedEntry>& entries) {
    const NameGuids guids;
    BARSMITH_TRY(db.Run(L"INSERT INTO `Directory` (`Directory`, `DefaultDir`) VALUES ('TARGETDIR', 'SourceDir')"));
    BARSMITH_TRY(db.Run(L"INSERT INTO `Feature` (`Feature`, `Title`, `Display`, `Level`, `Attributes`) "
                        L"VALUES ('Buttons', 'Buttons', 0, 1, 0)"));
    size_t rows = 0;
    size_t components = 0;
    for (const ExportedEntry& entry : entries) {
        for (const ExportedKey& key : entry.keys) {
            const std::wstring component = L"Key" + std::to_wstring(++components);
            const std::wstring firstRow = L"Value" + std::to_wstring(rows + 1);
            // The same place of the same button is the same component in every
            // package: two products that install one button share it, and the
            // values stay until the last of them is removed.
            const std::wstring componentId = guids.Of(L"component " + RootKeyName(key.place.root) + L" " +
                                                      std::to_wstring(key.place.view) + L" " + entry.guid);
            if (componentId.empty()) return ERROR_INVALID_DATA;
            const int attributes = kRegistryKeyPath | (key.place.view == KEY_WOW64_64KEY ? kComponent64 : 0);
            BARSMITH_TRY(db.Insert(L"INSERT INTO `FeatureComponents` (`Feature_`, `Component_`) VALUES ('Buttons', ?)",
                                   {component}));
            const int root = key.place.root == HKEY_LOCAL_MACHINE ? kRootLocalMachine : kRootCurrentUser;
            // The 32-bit component names the key as a 32-bit program does: the
            // installer redirects it to Wow6432Node.
            const std::wstring path = InstallerText(ExtensionKeyPath(entry.guid));
            for (const RegistryValue& value : key.values) {
                const std::wstring row = L"Value" + std::to_wstring(++rows);
                const std::wstring name = InstallerText(value.name);
                BARSMITH_TRY(db.Insert(L"INSERT INTO `Registry` (`Registry`, `Root`, `Key`, `Name`, `Value`, "
                                       L"`Component_`) VALUES (?, ?, ?, ?, ?, ?)",
                                       {row, root, path, value.name.empty() ? nullptr : name.c_str(),
                                        InstallerText(*WholeText(value)), component}));
            }
            BARSMITH_TRY(db.Insert(L"INSERT INTO `Component` (`Component`, `ComponentId`, `Directory_`, `Attributes`, "
                                   L"`KeyPath`) VALUES (?, ?, 'TARGETDIR', ?, ?)",
                                   {component, componentId, attributes, firstRow}));
        }
    }
    return ERROR_SUCCESS;
}

UINT WriteSummary(const Database& db, const Installer& installer, const PackageDetails& details, bool machine,
                  UINT codePage) {
    MSIHANDLE handle = 0;
    BARSMITH_TRY(installer.summary(db.get(), nullptr, 20, &handle));
    const MsiHandle summary(installer, handle);
    const std::wstring packageCode = CreateGUID();
    const auto text = [&](UINT property, const std::wstring& value) {
        return installer.setSummary(summary.get(), property, VT_LPSTR, 0, nullptr, value.c_str());
    };
    const auto number = [&](UINT property, UINT type, int value) {
        return installer.setSummary(summary.get(), property, type, value, nullptr, nullptr);
    };
    BARSMITH_TRY(number(PID_CODEPAGE, VT_I2, static_cast<int>(codePage)));
    BARSMITH_TRY(text(PID_TITLE, L"Installation Database"));
    BARSMITH_TRY(text(PID_SUBJECT, details.product));
    BARSMITH_TRY(text(PID_AUTHOR, details.manufacturer));
    BARSMITH_TRY(text(PID_KEYWORDS, L"Installer"));
    BARSMITH_TRY(text(PID_COMMENTS, L"Toolbar buttons of the browser"));
    BARSMITH_TRY(text(PID_TEMPLATE, machine ? L"x64;1033" : L"Intel;1033"));
    BARSMITH_TRY(text(PID_REVNUMBER, packageCode));
    BARSMITH_TRY(number(PID_PAGECOUNT, VT_I4, 200));
    BARSMITH_TRY(number(PID_WORDCOUNT, VT_I4, kWordCountCompressed | (machine ? 0 : kWordCountNoElevation)));
    return installer.persistSummary(summary.get());
}

}  // namespace

bool IsPackageVersion(const std::wstring& version) {
    size_t start = 0;
    for (size_t field = 0; field < 3; ++field) {
        const size_t end = field == 2 ? version.size() : version.find(L'.', start);
        if (end == std::wstring::npos || end == start || end - start > 5) return false;
        unsigned long number = 0;
        for (size_t i = start; i < end; ++i) {
            if (version[i] < L'0' || version[i] > L'9') return false;
            number = number * 10 + (version[i] - L'0');
        }
        if (number > kVersionLimits[field]) return false;
        start = end + 1;
    }
    return true;
}

std::wstring NameBasedGuid(const std::wstring& name) { return NameGuids().Of(name); }

std::wstring UpgradeCodeFor(const std::wstring& product) {
    return NameBasedGuid(L"upgrade " + InvariantUpper(product));
}

std::wstring InstallerText(std::wstring_view text) {
    std::wstring escaped = !text.empty() && text.front() == L'#' ? L"#" : L"";
    for (const wchar_t c : text) {
        if (c == L'[' || c == L']' || c == L'{' || c == L'}')
            escaped += std::wstring(L"[\\") + c + L"]";
        else
            escaped += c;
    }
    return escaped;
}

std::optional<UnfitValue> FirstUnfitForPackage(const std::vector<ExportedEntry>& entries,
                                               const PackageDetails& details) {
    for (size_t e = 0; e < entries.size(); ++e) {
        for (size_t k = 0; k < entries[e].keys.size(); ++k) {
            for (const RegistryValue& value : entries[e].keys[k].values) {
                const std::optional<std::wstring> text = WholeText(value);
                if (!text) return UnfitValue{e, k, value.name, UnfitValue::Why::NotText};
                if (text->empty()) return UnfitValue{e, k, value.name, UnfitValue::Why::Empty};
            }
        }
    }
    std::optional<UnfitValue> unfit;
    if (CodePageFor(entries, details, unfit) == 0 && unfit) return unfit;
    return std::nullopt;
}

UINT BuildPackage(const std::wstring& path, const std::vector<ExportedEntry>& entries, const PackageDetails& details) {
    LazyLibrary msi(L"msi.dll");
    const Installer installer(msi);
    if (!installer.Complete()) return ERROR_MOD_NOT_FOUND;
    std::optional<UnfitValue> unfit;
    const UINT codePage = CodePageFor(entries, details, unfit);
    if (codePage == 0) return ERROR_NO_UNICODE_TRANSLATION;
    const bool machine = !entries.empty() && !entries.front().keys.empty() &&
                         entries.front().keys.front().place.root == HKEY_LOCAL_MACHINE;
    MSIHANDLE handle = 0;
    BARSMITH_TRY(installer.openDatabase(path.c_str(), MSIDBOPEN_CREATE, &handle));
    const Database db(installer, handle);
    BARSMITH_TRY(WriteCodePage(db, installer, path, codePage));
    for (const wchar_t* table : kTables) BARSMITH_TRY(db.Run(table));
    BARSMITH_TRY(WriteProperties(db, details, machine));
    BARSMITH_TRY(WriteRegistry(db, entries));
    BARSMITH_TRY(WriteSummary(db, installer, details, machine, codePage));
    return installer.commit(db.get());
}

}  // namespace barsmith
