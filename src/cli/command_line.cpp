#include "cli/command_line.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <set>

#include "cli/output_stream.h"
#include "model/button_fields.h"
#include "operations/button_reading.h"
#include "model/guid.h"
#include "storage/key_index.h"
#include "operations/machine_wide_access.h"
#include "operations/toolbar_buttons.h"
#include "platform/names.h"

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
           L"  barsmith.exe export FILE [TEXT...]\n"
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
           L"                to FILE as a registry file for reg import\n"
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

// A message box's text as lines of standard error: the blanks that pad it in
// the box are dropped.
std::wstring Trimmed(const std::wstring& text) {
    std::wstring lines;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find(L'\n', start);
        std::wstring line = text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
        while (!line.empty() && (line.back() == L' ' || line.back() == L'\r')) line.pop_back();
        lines += line;
        if (end == std::wstring::npos) return lines;
        lines += L'\n';
        start = end + 1;
    }
}

// Tells on standard error what the window shows in message boxes, and
// answers the one question, whether to replace a button of the same text,
// as the command line said.
class ErrorStreamMessages final : public MessageBoxSeam {
public:
    ErrorStreamMessages(const OutputStream& err, bool replace) : err_(err), replace_(replace) {}
    int Show(HWND, const std::wstring& text, const std::wstring&, UINT type) override {
        if ((type & MB_TYPEMASK) == MB_YESNO) return replace_ ? IDYES : IDNO;
        err_.Line(Trimmed(text));
        return IDOK;
    }

private:
    const OutputStream& err_;
    bool replace_;
};

// The program's registry, catalogue and buttons, telling through standard error.
struct Buttons {
    Buttons(const Streams& io, bool replace) : messages(io.err, replace) {}
    SystemRegistry api;
    ErrorStreamMessages messages;
    MyButtonsCatalogue catalogue{api};
    ToolbarButtons buttons{api, catalogue, messages, nullptr};
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

constexpr wchar_t kBusy[] =
    L"Another copy of Barsmith is changing the toolbar buttons and did not finish in time. Please try again.";

int ListCatalogue(Buttons& tool, const Streams& io) {
    const auto listed = ListCatalogueButtons(tool.api, tool.catalogue);
    if (!listed) return Failed(io, kBusy);
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
    const auto listed = ListRegistryButtons(tool.api, tool.catalogue, ButtonKeyIndexFile());
    if (!listed) return Failed(io, kBusy);
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
    if (arguments.size() > 1 || (arguments.size() == 1 && !Is(arguments[0], L"--all")))
        throw UsageError{L"list takes no argument but --all."};
    Buttons tool(io, false);
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
    if (const std::optional<TextProblem> problem = FirstTextProblem(button)) {
        return Failed(io, L"The option " + std::wstring(problem->field->option) + L" " +
                              Quoted(Escaped(problem->field->text(button))) + L" " + Described(*problem, button) +
                              L"\n\nNothing was written.");
    }
    Buttons tool(io, request.replace);
    if (button.rootKey == HKEY_LOCAL_MACHINE && MachineWideRefused(tool.api)) return Failed(io, kMachineWideRefused);
    switch (tool.buttons.Create(button).outcome) {
    case CreationOutcome::Created:
        io.out.Line(button.guid);
        return kExitDone;
    case CreationOutcome::NotReplaced:
        io.err.Line(L"My Buttons holds a button " + Quoted(button.buttonText) +
                    L" already. Nothing was changed; give --replace to replace it.");
        return kExitFailed;
    default:
        return kExitFailed;  // told through the messages
    }
}

// A button is named by its text, or by its GUID: a GUID names the button of
// that GUID, listed or left behind, never an entry whose text it is.
int Remove(const std::vector<std::wstring>& arguments, const Streams& io) {
    if (arguments.size() != 1) throw UsageError{L"remove takes one button text or {GUID}."};
    Buttons tool(io, false);
    const std::wstring& named = arguments[0];
    if (IsGuidString(named) || tool.catalogue.Lookup(named)) {
        const std::wstring guid = IsGuidString(named) ? named : *tool.catalogue.Lookup(named);
        const std::vector<FoundKey> keys = FindButtonKeys(tool.api, guid);
        const bool machineWide = std::any_of(keys.begin(), keys.end(),
                                             [](const FoundKey& key) { return key.place.root == HKEY_LOCAL_MACHINE; });
        if (machineWide && MachineWideRefused(tool.api)) return Failed(io, kMachineWideRefused);
    }
    if (IsGuidString(named) && !tool.catalogue.TextNaming(named)) {
        switch (tool.buttons.RemoveUnlisted(named)) {
        case RemovalOutcome::Removed: return kExitDone;
        case RemovalOutcome::AlreadyGone:
            return Failed(io, named + L" is neither in My Buttons nor a toolbar button's key. Nothing was deleted.");
        default: return kExitFailed;  // told through the messages
        }
    }
    const std::optional<std::wstring> entry = IsGuidString(named) ? tool.catalogue.TextNaming(named) : named;
    const std::optional<std::wstring> guid = entry ? tool.catalogue.Lookup(*entry) : std::nullopt;
    if (!guid) return Failed(io, Quoted(named) + L" is not in My Buttons. Nothing was deleted.");
    switch (tool.buttons.Remove(*guid, *entry)) {
    case RemovalOutcome::AlreadyGone:
        io.err.Line(L"The button " + Quoted(*entry) +
                    L" had no registry key in either hive; its entry has left My Buttons.");
        return kExitDone;
    case RemovalOutcome::Removed:
    case RemovalOutcome::NotOurs:  // the entry is gone, the other program's key left as it is: told
    case RemovalOutcome::NoGuid:
        return kExitDone;
    default:
        return kExitFailed;
    }
}

int Export(const std::vector<std::wstring>& arguments, const Streams& io) {
    if (arguments.empty()) throw UsageError{L"export needs the name of the file to write."};
    const Buttons tool(io, false);
    const std::vector<std::wstring> entries(arguments.begin() + 1, arguments.end());
    return tool.buttons.Export(entries, arguments[0]) ? kExitDone : kExitFailed;
}

void PrintFindings(const Streams& io, const std::vector<Finding>& findings, const wchar_t* prefix) {
    std::wstring lines;
    for (const Finding& finding : findings) {
        lines += prefix + std::wstring(KindName(finding.kind)) + L"\t" + Escaped(finding.guid) + L"\t" +
                 (finding.entry.empty() ? L"-" : Escaped(finding.entry)) + L"\t" + Escaped(finding.detail) + L"\n";
    }
    io.out.Write(lines);
}

// The findings about the named buttons (texts of My Buttons or GUIDs), all of them for none.
std::optional<std::vector<Finding>> CheckNamed(const Buttons& tool, const std::vector<std::wstring>& names) {
    std::optional<std::vector<Finding>> findings = tool.buttons.Check(ButtonKeyIndexFile());
    if (!findings || names.empty()) return findings;
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
    const bool repair = !arguments.empty() && Is(arguments[0], L"--repair");
    const std::vector<std::wstring> names(arguments.begin() + (repair ? 1 : 0), arguments.end());
    for (const std::wstring& name : names) {
        if (name.starts_with(L"--")) throw UsageError{L"check does not know " + Quoted(name) + L"."};
    }
    const Buttons tool(io, false);
    std::optional<std::vector<Finding>> findings = CheckNamed(tool, names);
    if (!findings) return Failed(io, kBusy);
    PrintFindings(io, *findings, L"");
    if (repair && !findings->empty()) {
        PrintFindings(io, tool.buttons.Repair(*findings), L"repaired ");
        findings = CheckNamed(tool, names);
        if (!findings) return Failed(io, kBusy);
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
