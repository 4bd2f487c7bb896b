#include "cli/command_line.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <map>
#include <set>
#include <utility>

#include "cli/outcome_lines.h"
#include "cli/output_stream.h"
#include "model/button_fields.h"
#include "operations/button_reading.h"
#include "model/guid.h"
#include "operations/export.h"
#include "storage/key_index.h"
#include "operations/machine_wide_access.h"
#include "operations/toolbar_buttons.h"
#include "platform/names.h"
#include "platform/status_text.h"
#include "words/shared_words.h"

namespace barsmith {
namespace {

constexpr int kExitDone = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// The create command's options, from the table of fields, wrapped as the
// usage shows them.
std::wstring CreateOptions() {
    std::vector<std::wstring> parts;
    const ButtonField* previous = nullptr;
    for (const ButtonField& row : ButtonFields()) {
        if (!row.option) continue;
        const std::wstring part = row.optionValue ? std::wstring(row.option) + L" " + row.optionValue : row.option;
        // Options that give the same field are alternatives: "--program PATH|--script PATH".
        if (previous && previous->field && previous->field == row.field)
            parts.back() += L"|" + part;
        else
            parts.push_back(row.required ? part : L"[" + part + L"]");
        previous = &row;
    }
    parts.insert(parts.end(), {L"[--menu-only]", L"[--user]", L"[--replace]"});
    constexpr wchar_t kIndent[] = L"\n                      ";
    std::wstring lines = L"  barsmith.exe create";
    size_t column = lines.size();
    for (const std::wstring& part : parts) {
        if (column + 1 + part.size() > 90) {
            lines += kIndent;
            column = wcslen(kIndent) - 2;
        } else {
            lines += L' ';
            ++column;
        }
        lines += part;
        column += part.size();
    }
    return lines + L"\n";
}

std::wstring Usage() {
    return L"Usage:\n"
           L"  barsmith.exe                     opens the Barsmith window\n"
           L"  barsmith.exe list [--all]\n" +
           CreateOptions() +
           L"  barsmith.exe remove TEXT|{GUID}\n"
           L"  barsmith.exe export [--format reg|gpp|msi] FILE [TEXT...]\n"
           L"  barsmith.exe export --format gpp FILE.xml [--remove-when-unapplied] [TEXT...]\n"
           L"  barsmith.exe export --format msi FILE.msi --product NAME --version A.B.C\n"
           L"                      [--manufacturer NAME] [TEXT...]\n"
           L"  barsmith.exe check [--repair] [TEXT|{GUID}...]\n"
           L"  barsmith.exe /? | -h | --help\n"
           L"\n"
           L"  list          one line per My Buttons entry:\n"
           L"                TEXT<tab>{GUID}<tab>machine|user|-<tab>ok|missing\n"
           L"  list --all    one line per toolbar button key in the registry:\n"
           L"                {GUID}<tab>machine|machine-32|machine-64|user<tab>BUTTON TEXT<tab>mine|other\n"
           L"  create        creates a button for all users (--user: for the current user only),\n"
           L"                not shown at first with --hidden, and prints its GUID; a button of\n"
           L"                the same text in My Buttons is replaced only with --replace.\n"
           L"                --script runs a script instead of a program; --menu-only makes a\n"
           L"                menu item with no toolbar button (no icons, tool tip or --hidden;\n"
           L"                --text, its name in My Buttons, defaults to the menu text);\n"
           L"                --help-menu puts the item into the Help menu. An icon may be\n"
           L"                \"PATH,N\": icon N of a program or DLL (-N: the icon of id N)\n"
           L"  remove        deletes the button's registry keys and its My Buttons entry\n"
           L"  export        writes the named buttons (all of My Buttons when none is named)\n"
           L"                to FILE, in the format its extension names unless --format does:\n"
           L"                reg  a registry file (.reg) for reg import\n"
           L"                gpp  Group Policy preferences (.xml): the Registry.xml of a policy's\n"
           L"                     Machine\\Preferences\\Registry folder, or User\\... for buttons of\n"
           L"                     the current user; --remove-when-unapplied takes the buttons\n"
           L"                     off again when the policy no longer applies\n"
           L"                msi  a Windows Installer package (.msi) for msiexec /i FILE /qn; a\n"
           L"                     newer --version of the same --product replaces an older one\n"
           L"                Machine-wide and per-user buttons go into separate gpp and msi files\n"
           L"  check         one line per thing wrong with the buttons or My Buttons (those\n"
           L"                named, when any is): FINDING<tab>{GUID}<tab>TEXT|-<tab>DETAIL; exit\n"
           L"                code 1 when there is any. --repair puts back a missing registry\n"
           L"                view, removes entries without keys and lists keys of Barsmith's\n"
           L"                kind that no entry names\n"
           L"\n"
           L"Exit codes: 0 done, 1 the operation failed, 2 the command line was wrong.\n";
}

// A command line that names no command, an unknown one, or options that do
// not fit it: told with the usage, exit code 2.
struct UsageError {
    std::wstring message;
};

struct Streams {
    OutputStream out{STD_OUTPUT_HANDLE};
    OutputStream err{STD_ERROR_HANDLE};
};

bool Is(const std::wstring& argument, const wchar_t* name) {
    return SameName(argument, name);
}

bool IsHelp(const std::wstring& argument) {
    return Is(argument, L"/?") || Is(argument, L"-h") || Is(argument, L"--help");
}

// The program's registry, catalogue and buttons.
struct Buttons {
    SystemRegistry api;
    MyButtonsCatalogue catalogue{api};
    ToolbarButtons buttons{api, catalogue};
};

int Failed(const Streams& io, const std::wstring& why) {
    io.err.Line(why);
    return kExitFailed;
}

constexpr wchar_t kMachineWideRefused[] =
    L"Writing for everyone on this computer was refused (access denied): give --user to change your own buttons, "
    L"or run barsmith.exe from an elevated prompt (Run as administrator). Nothing was changed.";

// Whether a change of the machine-wide buttons must be refused before it begins.
bool MachineWideRefused(RegistryApi& api) { return MachineWideWriteStatus(api) == ERROR_ACCESS_DENIED; }

// Notes of changes not carried out are told once, by whichever command finds them.
void TellSettled(const Streams& io, const SettleReport& settled) {
    if (const std::wstring text = SettledLines(settled, false); !text.empty()) io.err.Line(text);
}

// Tells what there is to tell of the outcome; whether it succeeded.
bool Told(const Streams& io, const ButtonOutcome& outcome, CommandRequest request) {
    if (const std::wstring lines = OutcomeLines(outcome, request); !lines.empty()) io.err.Line(lines);
    return outcome.Succeeded();
}

int ListCatalogue(Buttons& tool, const Streams& io) {
    SettleReport settled;
    const auto listed = ListCatalogueButtons(tool.api, tool.catalogue, &settled);
    if (!listed) return Failed(io, kBusyLine);
    TellSettled(io, settled);
    // One write for all the lines: thousands of them go out at once.
    std::wstring lines;
    for (const CatalogueButton& button : *listed) {
        const wchar_t* hive = !button.hive ? L"-" : button.hive == HKEY_LOCAL_MACHINE ? L"machine" : L"user";
        // Texts another program wrote may hold control characters: shown escaped.
        lines += Escaped(button.text) + L"\t" + Escaped(button.guid) + L"\t" + hive + L"\t" +
                 (button.hive ? L"ok\n" : L"missing\n");
    }
    io.out.Write(lines);
    return kExitDone;
}

int ListRegistry(Buttons& tool, const Streams& io) {
    SettleReport settled;
    const auto listed = ListRegistryButtons(tool.api, tool.catalogue, ButtonKeyIndexFile(), &settled);
    if (!listed) return Failed(io, kBusyLine);
    TellSettled(io, settled);
    std::wstring lines;
    for (const RegistryButton& button : *listed) {
        const wchar_t* place = button.hive != HKEY_LOCAL_MACHINE ? L"user"
                               : button.view32 && button.view64  ? L"machine"
                               : button.view32                   ? L"machine-32"
                                                                 : L"machine-64";
        lines += Escaped(button.guid) + L"\t" + place + L"\t" + Escaped(button.buttonText) + L"\t" +
                 (button.catalogued ? L"mine\n" : L"other\n");
    }
    io.out.Write(lines);
    return kExitDone;
}

int List(const std::vector<std::wstring>& arguments, const Streams& io) {
    for (size_t i = 0; i < arguments.size(); ++i) {
        if (!Is(arguments[i], L"--all"))
            throw UsageError{L"list does not know " + Quoted(arguments[i]) + L"; it takes no argument but --all."};
        if (i > 0) throw UsageError{L"The option --all is given twice."};
    }
    Buttons tool;
    return arguments.empty() ? ListCatalogue(tool, io) : ListRegistry(tool, io);
}

struct CreateRequest {
    ButtonDefinition button;
    bool replace = false;
    std::set<std::wstring> given;  // the options given, in lower case
};

// The row of the table whose option `argument` is, if any.
const ButtonField* OptionRow(const std::wstring& argument) {
    for (const ButtonField& row : ButtonFields()) {
        if (row.option && Is(argument, row.option)) return &row;
    }
    return nullptr;
}

CreateRequest ParseCreate(const std::vector<std::wstring>& arguments) {
    CreateRequest request;
    bool user = false;
    std::set<std::wstring>& given = request.given;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::wstring& argument = arguments[i];
        const ButtonField* row = OptionRow(argument);
        bool* flag = Is(argument, L"--user")        ? &user
                     : Is(argument, L"--replace")   ? &request.replace
                     : Is(argument, L"--menu-only") ? &request.button.menuOnly
                                                    : nullptr;
        if (!row && !flag) throw UsageError{L"create does not know " + Quoted(argument) + L"."};
        std::wstring name = row ? row->option : argument;
        for (wchar_t& c : name) c = static_cast<wchar_t>(towlower(c));
        if (!given.insert(name).second) throw UsageError{L"The option " + name + L" is given twice."};
        if (flag) {
            *flag = true;
        } else if (!row->optionValue) {
            row->take(request.button, row->flagText);
        } else if (i + 1 == arguments.size()) {
            throw UsageError{L"The option " + name + L" needs a value."};
        } else {
            row->take(request.button, arguments[++i]);
        }
    }
    if (given.contains(L"--program") && given.contains(L"--script"))
        throw UsageError{L"Give --program or --script, not both."};
    for (const ButtonField& row : ButtonFields()) {
        // The name in My Buttons fits every entry, the rest only the kinds that hold them.
        if (row.option && given.contains(row.option) && !row.holds(request.button) && row.field != FieldId::ButtonText)
            throw UsageError{L"The option " + std::wstring(row.option) +
                             L" does not fit --menu-only: a menu item has no toolbar button."};
    }
    request.button.guid = CreateGUID();
    request.button.rootKey = RootKeyFor(user);
    return request;
}

// "--program PATH", or every option that gives the row's field: "--program PATH or --script PATH".
std::wstring OptionsOf(const ButtonField& missing) {
    std::wstring options;
    for (const ButtonField& row : ButtonFields()) {
        if (row.field != missing.field || !row.option) continue;
        options += (options.empty() ? L"" : L" or ") + std::wstring(row.option) + L" " + row.optionValue;
    }
    return options;
}

// A required option left out, or given empty, is a wrong command line.
void RequireOptions(const ButtonDefinition& button, const std::set<std::wstring>& given) {
    const ButtonField* missing = FirstMissingField(button);
    if (!missing) return;
    if (given.contains(missing->option))
        throw UsageError{L"The option " + std::wstring(missing->option) + L" may not be empty."};
    throw UsageError{L"create needs " + OptionsOf(*missing) + L"."};
}

int Create(const std::vector<std::wstring>& arguments, const Streams& io) {
    const CreateRequest request = ParseCreate(arguments);
    const ButtonDefinition& button = request.button;
    RequireOptions(button, request.given);
    if (const std::optional<TextProblem> problem = FirstTextProblem(button))
        return Failed(io, TextProblemLine(*problem, problem->field->text(button)) + L" Nothing was written.");
    Buttons tool;
    if (button.rootKey == HKEY_LOCAL_MACHINE && MachineWideRefused(tool.api)) return Failed(io, kMachineWideRefused);
    const ReplacePolicy policy{request.replace ? ReplacePolicy::Mode::Any : ReplacePolicy::Mode::Keep, {}};
    if (!Told(io, tool.buttons.Create(button, policy), CommandRequest::Create)) return kExitFailed;
    io.out.Line(button.guid);
    return kExitDone;
}

// A button is named by its text, or by its GUID: a GUID names the button of
// that GUID, listed or left behind, never an entry whose text it is.
int Remove(const std::vector<std::wstring>& arguments, const Streams& io) {
    if (arguments.size() != 1) throw UsageError{L"remove takes one button text or {GUID}."};
    Buttons tool;
    const std::wstring& named = arguments[0];
    if (IsGuidString(named) || tool.catalogue.Lookup(named)) {
        const std::wstring guid = IsGuidString(named) ? named : *tool.catalogue.Lookup(named);
        const std::vector<FoundKey> keys = FindButtonKeys(tool.api, guid);
        const bool machineWide = std::any_of(keys.begin(), keys.end(),
                                             [](const FoundKey& key) { return key.place.root == HKEY_LOCAL_MACHINE; });
        if (machineWide && MachineWideRefused(tool.api)) return Failed(io, kMachineWideRefused);
    }
    if (IsGuidString(named) && !tool.catalogue.TextNaming(named)) {
        const ButtonOutcome outcome = tool.buttons.RemoveUnlisted(named);
        Told(io, outcome, CommandRequest::Remove);
        return outcome.kind == ButtonOutcome::Kind::Removed ? kExitDone : kExitFailed;
    }
    const std::optional<std::wstring> entry = IsGuidString(named) ? tool.catalogue.TextNaming(named) : named;
    const std::optional<std::wstring> guid = entry ? tool.catalogue.Lookup(*entry) : std::nullopt;
    if (!guid) return Failed(io, Quoted(named) + L" is not in My Buttons. Nothing was deleted.");
    const ButtonOutcome outcome = tool.buttons.Remove(*guid, *entry);
    Told(io, outcome, CommandRequest::Remove);
    // The entry gone is done, also when the key it named is another program's and stays.
    return outcome.Unlisted() ? kExitDone : kExitFailed;
}

struct ExportCommand {
    ExportRequest request;
    std::optional<ExportFormat> format;  // as --format gives it
    std::map<std::wstring, std::wstring> given;  // the options given with a value, by their lower-case name
};

std::optional<ExportFormat> FormatNamed(const std::wstring& name) {
    if (Is(name, L"reg")) return ExportFormat::RegistryFile;
    if (Is(name, L"gpp")) return ExportFormat::GroupPolicy;
    if (Is(name, L"msi")) return ExportFormat::Package;
    return std::nullopt;
}

// Options anywhere, "--" ending them; the first other argument is the file,
// the rest are My Buttons texts.
ExportCommand ParseExport(const std::vector<std::wstring>& arguments) {
    ExportCommand command;
    std::vector<std::wstring> rest;
    bool options = true;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::wstring& argument = arguments[i];
        if (!options || !argument.starts_with(L"--")) {
            rest.push_back(argument);
            continue;
        }
        std::wstring name = argument;
        for (wchar_t& c : name) c = static_cast<wchar_t>(towlower(c));
        if (name == L"--") {
            options = false;
            continue;
        }
        const bool flag = name == L"--remove-when-unapplied";
        if (!flag && name != L"--format" && name != L"--product" && name != L"--version" && name != L"--manufacturer")
            throw UsageError{L"export does not know " + Quoted(argument) + L"."};
        if (command.given.contains(name)) throw UsageError{L"The option " + name + L" is given twice."};
        if (!flag && i + 1 == arguments.size()) throw UsageError{L"The option " + name + L" needs a value."};
        command.given[name] = flag ? L"" : arguments[++i];
    }
    if (rest.empty()) throw UsageError{L"export needs the name of the file to write."};
    command.request.path = rest.front();
    command.request.entries.assign(rest.begin() + 1, rest.end());
    return command;
}

// A product or manufacturer name: the installer shows it in Programs and Features.
void RequireName(const std::map<std::wstring, std::wstring>& given, const wchar_t* option) {
    const auto found = given.find(option);
    if (found == given.end()) return;
    if (found->second.empty()) throw UsageError{L"The option " + std::wstring(option) + L" may not be empty."};
    for (const wchar_t c : found->second) {
        if (IsControlCharacter(c))
            throw UsageError{L"The option " + std::wstring(option) + L" " + Quoted(Escaped(found->second)) +
                             L" holds a control character."};
    }
}

// The format and its options, checked against each other.
ExportRequest ExportRequestOf(const std::vector<std::wstring>& arguments) {
    ExportCommand command = ParseExport(arguments);
    const std::map<std::wstring, std::wstring>& given = command.given;
    ExportRequest& request = command.request;
    if (const auto named = given.find(L"--format"); named != given.end()) {
        const std::optional<ExportFormat> format = FormatNamed(named->second);
        if (!format) throw UsageError{L"The option --format takes reg, gpp or msi, not " + Quoted(named->second) + L"."};
        request.format = *format;
    } else {
        // A name of another extension is written as a registry file, as before there were others.
        request.format = FormatOfFile(request.path).value_or(ExportFormat::RegistryFile);
    }
    if (given.contains(L"--remove-when-unapplied") && request.format != ExportFormat::GroupPolicy)
        throw UsageError{L"The option --remove-when-unapplied fits only --format gpp."};
    for (const wchar_t* option : {L"--product", L"--version", L"--manufacturer"}) {
        if (given.contains(option) && request.format != ExportFormat::Package)
            throw UsageError{L"The option " + std::wstring(option) + L" fits only --format msi."};
    }
    request.removeWhenUnapplied = given.contains(L"--remove-when-unapplied");
    if (request.format != ExportFormat::Package) return request;
    if (!given.contains(L"--product")) throw UsageError{L"An installer package needs --product NAME."};
    if (!given.contains(L"--version")) throw UsageError{L"An installer package needs --version A.B.C."};
    RequireName(given, L"--product");
    RequireName(given, L"--manufacturer");
    request.package.product = given.at(L"--product");
    request.package.version = given.at(L"--version");
    if (!IsPackageVersion(request.package.version))
        throw UsageError{L"The version " + Quoted(Escaped(request.package.version)) +
                         L" is not three numbers A.B.C with A and B at most 255 and C at most 65535."};
    const auto manufacturer = given.find(L"--manufacturer");
    request.package.manufacturer = manufacturer == given.end() ? request.package.product : manufacturer->second;
    return request;
}

std::wstring QuotedList(const std::vector<std::wstring>& texts) {
    std::wstring list;
    for (const std::wstring& text : texts) list += (list.empty() ? L"" : L", ") + Quoted(Escaped(text));
    return list;
}

// What the value of an unfit outcome cannot be, in the format's words.
std::wstring UnfitText(const ExportOutcome& outcome, const std::wstring& format) {
    const std::wstring value = L"The value " + Quoted(Escaped(outcome.value)) + L" of " + outcome.key;
    switch (outcome.why) {
    case UnfitValue::Why::EntryText:
        return L"The text of the entry " + Quoted(Escaped(outcome.entry)) + L" holds a character no " + format +
               L" can hold.";
    case UnfitValue::Why::Name: return value + L" has a name no " + format + L" can hold.";
    case UnfitValue::Why::NotText:
        return value + L" is no text (REG_SZ ended by one NUL), which is all a " + format + L" carries byte for byte.";
    case UnfitValue::Why::Character: return value + L" holds a character no " + format + L" can hold.";
    case UnfitValue::Why::Empty: return value + L" is empty, which a " + format + L" cannot tell from no value.";
    }
    return value;
}


// Standard error's lines for an export that wrote nothing.
std::wstring ExportFailure(const ExportOutcome& outcome, const ExportRequest& request) {
    using Kind = ExportOutcome::Kind;
    // By ExportFormat: a registry file, a Group Policy file, an installer package.
    constexpr const wchar_t* kFormatNames[] = {L"registry file", L"Group Policy file", L"installer package"};
    static_assert(std::size(kFormatNames) == static_cast<size_t>(ExportFormat::Package) + 1);
    const std::wstring format = kFormatNames[static_cast<size_t>(request.format)];
    const std::wstring entry = Quoted(Escaped(outcome.entry));
    switch (outcome.kind) {
    case Kind::Exported: return {};
    case Kind::Busy: return kBusyLine;
    case Kind::Empty: return L"My Buttons is empty: there is no button to export.";
    case Kind::NotListed: return entry + L" is not in My Buttons.";
    case Kind::NoGuid:
        return L"My Buttons names no registry key for " + entry + L": " + Quoted(Escaped(outcome.guid)) +
               L" is no GUID.";
    case Kind::NoKey: return L"The button " + entry + L" has no registry key in either hive.";
    case Kind::Unreadable: return L"The registry key " + outcome.key + L" could not be read: " + StatusText(outcome.status);
    case Kind::NotOurs:
        return L"The registry key " + outcome.key + L" that My Buttons names for " + entry +
               L" is no toolbar button made by Barsmith.";
    case Kind::Unfit: return UnfitText(outcome, format);
    case Kind::MixedHives:
        return L"A " + format + L" holds machine-wide buttons or buttons of the current user, not both.\n"
               L"Machine-wide: " + QuotedList(outcome.machineEntries) + L"\n"
               L"Current user: " + QuotedList(outcome.userEntries) + L"\n"
               L"Export each kind to a file of its own.";
    case Kind::FileFailed:
        return L"The " + format + L" " + request.path + L" could not be written: " + FileErrorText(outcome.file);
    }
    return {};
}

int Export(const std::vector<std::wstring>& arguments, const Streams& io) {
    const ExportRequest request = ExportRequestOf(arguments);
    SystemRegistry api;
    const MyButtonsCatalogue catalogue{api};
    const ExportOutcome outcome = ExportButtons(api, catalogue, request);
    TellSettled(io, outcome.settled);
    if (outcome.kind == ExportOutcome::Kind::Exported) return kExitDone;
    return Failed(io, ExportFailure(outcome, request) + L"\nNothing was written.");
}

void PrintFindings(const Streams& io, const std::vector<Finding>& findings, const wchar_t* prefix) {
    std::wstring lines;
    for (const Finding& finding : findings) {
        lines += prefix + std::wstring(FindingName(finding.kind)) + L"\t" + Escaped(finding.guid) + L"\t" +
                 (finding.entry.empty() ? L"-" : Escaped(finding.entry)) + L"\t" + Escaped(FindingDetail(finding)) +
                 L"\n";
    }
    io.out.Write(lines);
}

// The findings about the named buttons (texts of My Buttons or GUIDs), all of them for none.
std::optional<std::vector<Finding>> CheckNamed(const Buttons& tool, const std::vector<std::wstring>& names,
                                               const Streams& io) {
    CheckResult checked = tool.buttons.Check(ButtonKeyIndexFile());
    if (!Told(io, checked.outcome, CommandRequest::Read)) return std::nullopt;
    std::optional<std::vector<Finding>> findings = std::move(checked.findings);
    if (names.empty()) return findings;
    std::vector<std::wstring> guids = names;
    for (const std::wstring& name : names) guids.push_back(tool.catalogue.GuidOf(name));
    std::erase_if(*findings, [&](const Finding& finding) {
        return std::none_of(names.begin(), names.end(),
                            [&](const std::wstring& name) { return SameName(name, finding.entry); }) &&
               std::none_of(guids.begin(), guids.end(),
                            [&](const std::wstring& guid) { return !guid.empty() && SameGuid(guid, finding.guid); });
    });
    return findings;
}

int Check(const std::vector<std::wstring>& arguments, const Streams& io) {
    bool repair = false;
    std::vector<std::wstring> names;
    for (const std::wstring& argument : arguments) {
        if (!argument.starts_with(L"--")) {
            names.push_back(argument);
        } else if (!Is(argument, L"--repair")) {
            throw UsageError{L"check does not know " + Quoted(argument) + L"."};
        } else if (std::exchange(repair, true)) {
            throw UsageError{L"The option --repair is given twice."};
        }
    }
    const Buttons tool;
    std::optional<std::vector<Finding>> findings = CheckNamed(tool, names, io);
    if (!findings) return kExitFailed;
    PrintFindings(io, *findings, L"");
    if (repair && !findings->empty()) {
        const RepairResult repaired = tool.buttons.Repair(*findings);
        Told(io, repaired.outcome, CommandRequest::Repair);
        for (const ButtonOutcome& refused : repaired.refused) Told(io, refused, CommandRequest::Repair);
        PrintFindings(io, repaired.repaired, L"repaired ");
        findings = CheckNamed(tool, names, io);
        if (!findings) return kExitFailed;
    }
    return findings->empty() ? kExitDone : kExitFailed;
}

struct Command {
    const wchar_t* name;
    int (*run)(const std::vector<std::wstring>&, const Streams&);
};

const std::array<Command, 5> kCommands{{
    {L"list", List},
    {L"create", Create},
    {L"remove", Remove},
    {L"export", Export},
    {L"check", Check},
}};

int Dispatch(const std::vector<std::wstring>& arguments, const Streams& io) {
    if (arguments.empty()) throw UsageError{L"No command given."};
    const std::vector<std::wstring> rest(arguments.begin() + 1, arguments.end());
    // "barsmith.exe /?" and "barsmith.exe create /?" alike.
    if (IsHelp(arguments.front()) || (arguments.size() == 2 && IsHelp(arguments[1]))) {
        io.out.Write(Usage());
        return kExitDone;
    }
    for (const Command& command : kCommands) {
        if (Is(arguments.front(), command.name)) return command.run(rest, io);
    }
    throw UsageError{L"Unknown command " + Quoted(arguments.front()) + L"."};
}

}  // namespace

bool HasArguments(const wchar_t* commandLine) {
    for (const wchar_t* c = commandLine; c && *c; ++c) {
        if (*c != L' ' && *c != L'\t') return true;
    }
    return false;
}

int RunCommandLine(const std::vector<std::wstring>& arguments) {
    const Streams io;
    try {
        return Dispatch(arguments, io);
    } catch (const UsageError& error) {
        io.err.Write(error.message + L"\n\n" + Usage());
        return kExitUsage;
    }
}

int RunCommandLine() {
    // The C runtime has split the command line by the system's rules already;
    // CommandLineToArgvW would do the same, but would make every start load shell32.
    std::vector<std::wstring> arguments;
    for (int i = 1; __wargv && i < __argc; ++i) arguments.emplace_back(__wargv[i]);
    return RunCommandLine(arguments);
}

}  // namespace barsmith
