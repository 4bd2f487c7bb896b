#include "cli/outcome_lines.h"

#include "platform/names.h"
#include "platform/status_text.h"
#include "words/shared_words.h"

namespace barsmith {
namespace {

using Kind = ButtonOutcome::Kind;

std::wstring Key(KeyPlace place, const std::wstring& guid) { return FullExtensionKeyPath(place, guid); }

std::wstring Why(LSTATUS status) {
    return status == kKeyIsLink ? std::wstring(L"it is a registry link") : StatusText(status);
}

// Adds a line below those there are.
void AddLine(std::wstring& lines, const std::wstring& line) {
    if (line.empty()) return;
    lines += (lines.empty() ? L"" : L"\n") + line;
}

std::wstring EntryNotUnlistedLine(const std::wstring& name, LSTATUS status) {
    return L"The entry " + name + L" could not be removed from My Buttons: " + Why(status);
}

std::wstring FailureLine(const KeyFailure& failure, const std::wstring& guid) {
    const std::wstring key = Key(failure.place, guid);
    switch (failure.step) {
    case KeyFailure::Step::Create: return key + L" could not be created: " + Why(failure.status);
    case KeyFailure::Step::Open: return key + L" could not be opened for writing: " + Why(failure.status);
    case KeyFailure::Step::WriteValue:
        return L"the value " + Quoted(failure.value) + L" of " + key + L" could not be written: " + Why(failure.status);
    case KeyFailure::Step::DeleteValue:
        return L"the value " + Quoted(failure.value) + L" of " + key + L" could not be removed: " + Why(failure.status);
    case KeyFailure::Step::Foreign:
        return key + L" is no toolbar button made by Barsmith" +
               (failure.status == kKeyIsLink ? L" (it is a registry link)" : L"") + L"; it was left as it is";
    case KeyFailure::Step::DeleteKey: return key + L" could not be deleted: " + Why(failure.status);
    case KeyFailure::Step::Record: return L"My Buttons could not record its entry: " + Why(failure.status);
    case KeyFailure::Step::Unlist: return L"My Buttons could not remove its entry: " + Why(failure.status);
    }
    return Why(failure.status);
}

std::wstring PlacesLines(const std::vector<PlaceStatus>& places, const std::wstring& guid) {
    std::wstring lines;
    for (const PlaceStatus& place : places) lines += L"\n  " + Key(place.place, guid) + L": " + Why(place.status);
    return lines;
}

std::wstring KeysLeftLines(const KeysLeft& left) {
    std::wstring lines = PlacesLines(left.refused, left.guid);
    for (const KeyPlace place : left.foreign)
        lines += L"\n  " + Key(place, left.guid) + L": no button made by Barsmith, left as it is";
    return lines;
}

// What a change that failed part-way left of what it wrote.
std::wstring UndoneLine(const ButtonOutcome& outcome) {
    if (outcome.written == 0) return L" Nothing was written.";
    if (outcome.undone.empty()) return L" What was written has been taken back.";
    return L" What was written could not all be taken back; delete or mend by hand:" +
           PlacesLines(outcome.undone, outcome.guid);
}

std::wstring WritingLines(const ButtonOutcome& outcome) {
    const std::wstring head = L"The button " + Quoted(Escaped(outcome.text)) + L" was not written: ";
    switch (outcome.kind) {
    case Kind::MissingField: return head + L"it needs " + outcome.row->label + L". Nothing was written.";
    case Kind::BadText:
        return TextProblemLine(*outcome.problem, outcome.value) + L" Nothing was written.";
    case Kind::NoGuid: return head + L"it has no GUID to name its registry key. Nothing was written.";
    case Kind::KeyExists:
        return head + Key(outcome.place, outcome.guid) + L" exists already; it was left as it is. Nothing was written.";
    case Kind::NotReplaced:
        return L"My Buttons holds a button " + Quoted(Escaped(outcome.text)) +
               L" already. Nothing was changed; give --replace to replace it.";
    case Kind::ListChanged:
        return head + L"My Buttons or its key changed meanwhile (another copy of Barsmith). Nothing was written.";
    case Kind::NotOurs:
        return head + Key(outcome.place, outcome.guid) +
               L" is no toolbar button made by Barsmith. Nothing was written.";
    case Kind::NotNoted: return head + NotNotedText(outcome.status) + L" Nothing was written.";
    case Kind::NotWritten: return head + FailureLine(*outcome.failure, outcome.guid) + L"." + UndoneLine(outcome);
    case Kind::NotRecorded:
        return head + L"My Buttons could not record it: " + Why(outcome.status) + L"." + UndoneLine(outcome) +
               (outcome.replacing ? L" The earlier button of the text is unchanged." : L"");
    case Kind::Created:
    case Kind::Saved: {
        std::wstring lines;
        if (!outcome.leftOver.replaced.Empty())
            lines += L"The button " + Quoted(Escaped(outcome.text)) +
                     L" is written, but the key of the button it replaced was left behind:" +
                     KeysLeftLines(outcome.leftOver.replaced);
        if (!outcome.leftOver.moved.refused.empty())
            AddLine(lines, L"The button " + Quoted(Escaped(outcome.text)) +
                               L" is written, but its key could not be deleted from where it was:" +
                               PlacesLines(outcome.leftOver.moved.refused, outcome.guid));
        return lines;
    }
    default: return {};
    }
}

std::wstring RemovalLines(const ButtonOutcome& outcome) {
    const std::wstring name = Quoted(Escaped(outcome.entry.empty() ? outcome.guid : outcome.entry));
    const std::wstring head = L"The button " + name + L" was not deleted: ";
    const std::wstring stays = outcome.entry.empty() ? L"" : L" It stays in My Buttons.";
    std::wstring line;
    switch (outcome.kind) {
    case Kind::AlreadyGone:
        line = outcome.entry.empty()
                   ? outcome.guid + L" is neither in My Buttons nor a toolbar button's key. Nothing was deleted."
                   : L"The button " + name + L" had no registry key in either hive; its entry has left My Buttons.";
        break;
    case Kind::ListChanged:
        line = head + L"My Buttons changed meanwhile (another copy of Barsmith). Nothing was deleted.";
        break;
    case Kind::CatalogueLocked: line = head + L"My Buttons cannot be changed: " + Why(outcome.status) + L"."; break;
    case Kind::NoGuid:
        line = L"My Buttons names no registry key for " + name + L": " + Quoted(Escaped(outcome.guid)) +
               L" is no GUID. The entry has left My Buttons.";
        break;
    case Kind::Unreadable:
        line = head + Key(outcome.place, outcome.guid) + L" could not be read: " + Why(outcome.status) + L"." + stays;
        break;
    case Kind::NotOurs:
        line = Key(outcome.place, outcome.guid) + L" is no toolbar button made by Barsmith" +
               (outcome.status == ERROR_SUCCESS ? L"" : L", or cannot be read (" + Why(outcome.status) + L")") +
               L"; it was left as it is." + (outcome.entry.empty() ? L"" : L" The entry has left My Buttons.");
        break;
    case Kind::HasSubKeys:
        line = head + Key(outcome.place, outcome.guid) + L" holds sub-keys, which no toolbar button has." + stays;
        break;
    case Kind::NotNoted: line = head + NotNotedText(outcome.status) + stays; break;
    case Kind::NotDeleted:
        line = head + L"its registry key could not be removed from:" + PlacesLines(outcome.left, outcome.guid);
        break;
    case Kind::NotUnlisted: line = EntryNotUnlistedLine(name, outcome.status); break;
    default: break;
    }
    if (outcome.entryStatus != ERROR_SUCCESS) AddLine(line, EntryNotUnlistedLine(name, outcome.entryStatus));
    return line;
}

std::wstring RepairLines(const ButtonOutcome& outcome) {
    if (outcome.Succeeded()) return {};
    if (outcome.entryStatus != ERROR_SUCCESS)
        return EntryNotUnlistedLine(Quoted(Escaped(outcome.entry)), outcome.entryStatus);
    if (outcome.guid.empty()) return L"The change journal could not be made anew: " + Why(outcome.status);
    switch (outcome.kind) {
    case Kind::NotRecorded:
        if (!outcome.failure) return outcome.guid + L" could not be listed in My Buttons: " + Why(outcome.status);
        [[fallthrough]];
    case Kind::NotWritten:
        return outcome.guid + L" could not be made alike in both registry views: " +
               FailureLine(*outcome.failure, outcome.guid) + L"." + UndoneLine(outcome);
    case Kind::NotNoted:
        return outcome.guid + L" could not be made alike in both registry views: " + NotNotedText(outcome.status);
    default: return {};
    }
}

std::wstring Joined(const std::vector<std::wstring>& names) {
    std::wstring joined;
    for (const std::wstring& name : names) joined += (joined.empty() ? L"" : L", ") + name;
    return joined;
}

}  // namespace

const wchar_t* FindingName(Finding::Kind kind) {
    using F = Finding::Kind;
    switch (kind) {
    case F::EntryWithoutKey: return L"entry-without-key";
    case F::OneView: return L"one-view";
    case F::MissingValues: return L"missing-values";
    case F::MissingFile: return L"missing-file";
    case F::NoToolbarImage: return L"no-toolbar-image";
    case F::Unlisted: return L"unlisted";
    case F::SharedGuid: return L"shared-guid";
    case F::ViewsDiffer: return L"views-differ";
    case F::UnreadableKey: return L"unreadable-key";
    case F::JournalUnsound: return L"journal";
    case F::ToolbarSizeMissing: return L"toolbar-size-missing";
    }
    return L"";
}

std::wstring FindingDetail(const Finding& finding) {
    using F = Finding::Kind;
    const std::wstring file = finding.value + L": " + finding.named;
    switch (finding.kind) {
    case F::EntryWithoutKey: return L"names no toolbar button of Barsmith's in either hive";
    case F::OneView:
        return finding.place.view == KEY_WOW64_32KEY ? L"only in the 32-bit view of HKEY_LOCAL_MACHINE"
                                                     : L"only in the 64-bit view of HKEY_LOCAL_MACHINE";
    case F::MissingValues: return Key(finding.place, finding.guid) + L" lacks " + Joined(finding.names);
    case F::MissingFile: return file + L" does not exist";
    case F::NoToolbarImage: return file + L" holds no image the toolbar could show";
    case F::ToolbarSizeMissing:
        return file + L" has " + MissingSizeText(finding.size, finding.scaledSide);
    case F::Unlisted: return L"no entry of My Buttons names it; its text is " + Quoted(finding.named);
    case F::SharedGuid: return L"so does the entry " + Quoted(finding.named);
    case F::ViewsDiffer: return L"the 64-bit and 32-bit views differ in " + Joined(finding.names);
    case F::UnreadableKey: {
        if (!finding.guid.empty()) return Key(finding.place, finding.guid) + L" cannot be read";
        std::wstring extensions = Key(finding.place, L"");
        extensions.pop_back();  // the Extensions key itself, without the last backslash
        return L"a key below " + extensions + L" has a name too long to be read";
    }
    case F::JournalUnsound:
        return std::wstring(finding.machineWide ? L"the machine-wide" : L"the user's") +
               L" change journal cannot be kept: " + Why(finding.status);
    }
    return {};
}

std::wstring SettledLines(const SettleReport& report, bool changes) {
    std::wstring lines;
    constexpr wchar_t kLeft[] = L", left by another copy of Barsmith, ";
    if (changes) {
        for (const auto& [change, result] : report.unsettled)
            AddLine(lines, ChangeTitle(change) + kLeft + L"could not be finished: " +
                               FailureLine(*result.failure, change.guid) +
                               L". It will be tried again with the next change.");
    }
    for (const auto& [change, result] : report.leftBehind)
        AddLine(lines, ChangeTitle(change) + kLeft + L"is finished, but registry keys were left behind:" +
                           KeysLeftLines(result.moved) + KeysLeftLines(result.replaced));
    for (const IgnoredNote& note : report.ignored)
        AddLine(lines, L"A note of a change in Barsmith's " +
                           std::wstring(note.place == JournalPlace::Machine ? L"machine-wide" : L"per-user") +
                           L" journal, " + Quoted(Escaped(note.name)) + L", was removed without being carried out: " +
                           IgnoredNoteText(note.why) + L".");
    return lines;
}

std::wstring TextProblemLine(const TextProblem& problem, const std::wstring& text) {
    return L"The option " + std::wstring(problem.field->option) + L" " + Quoted(Escaped(text)) + L" " +
           TextProblemText(problem, text);
}

std::wstring OutcomeLines(const ButtonOutcome& outcome, CommandRequest request) {
    std::wstring lines = SettledLines(outcome.settled, request != CommandRequest::Read);
    if (outcome.kind == Kind::Busy) {
        AddLine(lines, kBusyLine);
        return lines;
    }
    switch (request) {
    case CommandRequest::Create: AddLine(lines, WritingLines(outcome)); break;
    case CommandRequest::Remove: AddLine(lines, RemovalLines(outcome)); break;
    case CommandRequest::Repair: AddLine(lines, RepairLines(outcome)); break;
    case CommandRequest::Read: break;
    }
    return lines;
}

}  // namespace barsmith
