#include "mainwindow/button_messages.h"

#include "model/button_fields.h"
#include "platform/message_box.h"
#include "platform/names.h"
#include "platform/status_text.h"
#include "words/shared_words.h"

namespace barsmith {
namespace {

using Kind = ButtonOutcome::Kind;

constexpr wchar_t kNotCreatedTitle[] = L"Button Not Created";
constexpr wchar_t kNotDeletedTitle[] = L"Button Not Deleted";
constexpr wchar_t kNotEditedTitle[] = L"Button Not Edited";
constexpr wchar_t kNotSavedTitle[] = L"Button Not Saved";
constexpr wchar_t kNothingWritten[] = L"\n\nNothing was written.";

// What the window asks for when a required field is left empty, by the value the field gives.
const struct {
    const wchar_t* value;
    const wchar_t* text;
    const wchar_t* title;
} kMissing[] = {
    {L"Exec", L"Please choose an application     ", L"No Application Chosen"},
    {L"Script", L"Please choose a script     ", L"No Script Chosen"},
    {L"Icon", L"Please choose the Default Icon     ", L"No Icon Chosen"},
    {L"ButtonText", L"Please enter a name for the Button Text     ", L"No Button Name Entered"},
    {L"MenuText", L"Please enter the Menu Text     ", L"No Menu Text Entered"},
    {L"MenuStatusBar", L"Please enter the Status Bar Text     ", L"No Status Bar Text Entered"},
    {L"ToolTip", L"Please enter the Tool Tip Text     ", L"No Tool Tip Text Entered"},
};

std::wstring KeyPath(const ButtonOutcome& outcome) { return FullExtensionKeyPath(outcome.place, outcome.guid); }

// "the registry key\n\n<key>\n\ncould not be created: <why>" and its kin: the
// failure as the middle of a message that names the button first.
std::wstring Described(const KeyFailure& failure, const std::wstring& guid) {
    const std::wstring key = FullExtensionKeyPath(failure.place, guid);
    const std::wstring why = StatusText(failure.status);
    switch (failure.step) {
    case KeyFailure::Step::Create: return L"the registry key\n\n" + key + L"\n\ncould not be created: " + why;
    case KeyFailure::Step::Open: return L"the registry key\n\n" + key + L"\n\ncould not be opened for writing: " + why;
    case KeyFailure::Step::WriteValue:
        return L"the value " + Quoted(failure.value) + L" could not be written to the registry key\n\n" + key +
               L"\n\n" + why;
    case KeyFailure::Step::DeleteValue:
        return L"the value " + Quoted(failure.value) + L" could not be removed from the registry key\n\n" + key +
               L"\n\n" + why;
    case KeyFailure::Step::Foreign:
        return L"the registry key\n\n" + key + L"\n\nis no toolbar button made by Barsmith" +
               (failure.status == kKeyIsLink ? L" (it is a registry link)" : L"") + L", so it was left as it is.";
    case KeyFailure::Step::DeleteKey: return L"the registry key\n\n" + key + L"\n\ncould not be deleted: " + why;
    case KeyFailure::Step::Record: return L"My Buttons could not record its entry: " + why;
    case KeyFailure::Step::Unlist: return L"My Buttons could not remove its entry: " + why;
    }
    return why;
}

// Each place as "\n<key>: <why>".
std::wstring Listed(const std::vector<PlaceStatus>& places, const std::wstring& guid) {
    std::wstring listed;
    for (const PlaceStatus& left : places)
        listed += L"\n" + FullExtensionKeyPath(left.place, guid) + L": " + StatusText(left.status);
    return listed;
}

// Each place as "\n\n<key>\n<why>".
std::wstring Paragraphs(const std::vector<PlaceStatus>& places, const std::wstring& guid) {
    std::wstring text;
    for (const PlaceStatus& left : places)
        text += L"\n\n" + FullExtensionKeyPath(left.place, guid) + L"\n" + StatusText(left.status);
    return text;
}

// What became of the keys of a creation that failed, for the end of its message.
std::wstring TakenBackText(const ButtonOutcome& outcome) {
    if (outcome.written == 0) return kNothingWritten;
    if (outcome.undone.empty()) return L"\n\nThe key has been removed again.";
    return L"\n\nThe key could not be removed again and must be deleted by hand:" + Listed(outcome.undone, outcome.guid);
}

std::wstring PutBackText(const ButtonOutcome& outcome) {
    if (outcome.undone.empty()) return L"\n\nThe button has been put back as it was.";
    return L"\n\nThe button could not be put back as it was everywhere:" + Listed(outcome.undone, outcome.guid);
}

std::wstring BadTextText(const ButtonOutcome& outcome) {
    const TextProblem& problem = *outcome.problem;
    return L"The " + std::wstring(problem.field->label) + L" " + Quoted(Escaped(outcome.value)) + L" " +
           TextProblemText(problem, outcome.value) + kNothingWritten;
}

std::wstring ReplacedLeftText(const ButtonOutcome& outcome) {
    const KeysLeft& replaced = outcome.leftOver.replaced;
    std::wstring left;
    for (const KeyPlace place : replaced.foreign)
        left += L"\n\n" + FullExtensionKeyPath(place, replaced.guid) +
                L"\nis no button made by Barsmith and was left as it is.";
    for (const PlaceStatus& refused : replaced.refused)
        left += L"\n\n" + FullExtensionKeyPath(refused.place, replaced.guid) + L"\ncould not be deleted: " +
                StatusText(refused.status);
    return left.empty() ? left
                        : L"The button " + Quoted(outcome.text) +
                              L" has been created and My Buttons names it, but the registry key of the button it "
                              L"replaced was left behind:" + left;
}

std::wstring UnlistFailed(const ButtonOutcome& outcome, LSTATUS status) {
    return L"The entry " + Quoted(outcome.entry) + L" could not be removed from My Buttons: " + StatusText(status);
}

// Creating and saving.
std::vector<WindowMessage> WritingMessages(const ButtonOutcome& outcome, bool saving) {
    const wchar_t* title = saving ? kNotSavedTitle : kNotCreatedTitle;
    const std::wstring head = L"The button " + Quoted(Escaped(outcome.text)) + (saving ? L" was not saved: " : L" was not created: ");
    switch (outcome.kind) {
    case Kind::MissingField:
        for (const auto& missing : kMissing) {
            if (SameName(missing.value, outcome.row->value))
                return {{missing.text, missing.title, MB_OK | MB_ICONINFORMATION}};
        }
        return {};
    case Kind::BadText: return {{BadTextText(outcome), title}};
    case Kind::NoGuid:
        return {{head + L"it has no GUID to name its registry key" +
                     (outcome.guid.empty() ? L"." : L" (" + Quoted(outcome.guid) + L" is none).") + kNothingWritten,
                 title}};
    case Kind::KeyExists:
        return {{head + L"the registry key\n\n" + KeyPath(outcome) +
                     L"\n\nexists already. It was left as it is and nothing was written.",
                 title}};
    case Kind::ListChanged:
        return {{head + L"My Buttons or its registry key has changed since it was loaded (another copy of Barsmith "
                       L"changed it)." + kNothingWritten,
                 title}};
    case Kind::NotOurs:
        return {{head + L"the registry key\n\n" + KeyPath(outcome) +
                     L"\n\nis no toolbar button made by Barsmith, or cannot be read." + kNothingWritten,
                 title}};
    case Kind::NotNoted: return {{head + NotNotedText(outcome.status) + kNothingWritten, title}};
    case Kind::NotWritten:
        return {{head + Described(*outcome.failure, outcome.guid) +
                     (saving ? PutBackText(outcome) : TakenBackText(outcome)),
                 title}};
    case Kind::NotRecorded:
        if (saving)
            return {{head + L"its new text could not be recorded in My Buttons: " + StatusText(outcome.status) +
                         PutBackText(outcome),
                     title}};
        return {{head + L"it could not be recorded in My Buttons: " + StatusText(outcome.status) +
                     TakenBackText(outcome) +
                     (outcome.replacing ? L"\n\nThe earlier button " + Quoted(outcome.text) + L" is unchanged." : L""),
                 title}};
    case Kind::Created:
    case Kind::Saved: {
        std::vector<WindowMessage> told;
        const ChangeResult& left = outcome.leftOver;
        if (left.entryKept != ERROR_SUCCESS)
            told.push_back({L"The button " + Quoted(outcome.text) + L" has been saved, but its earlier entry " +
                                Quoted(outcome.entry) + L" could not be removed from My Buttons: " +
                                StatusText(left.entryKept),
                            kNotDeletedTitle});
        if (const std::wstring replaced = ReplacedLeftText(outcome); !replaced.empty())
            told.push_back({replaced, kNotDeletedTitle});
        if (!left.moved.refused.empty())
            told.push_back({L"The button " + Quoted(outcome.text) +
                                L" has been saved, but its registry key could not be deleted from where it was before:" +
                                Paragraphs(left.moved.refused, outcome.guid),
                            kNotDeletedTitle});
        return told;
    }
    default: return {};
    }
}

std::vector<WindowMessage> RemovalMessages(const ButtonOutcome& outcome) {
    const std::wstring name = Quoted(outcome.entry.empty() ? outcome.guid : outcome.entry);
    const std::wstring head = L"The button " + name + L" was not deleted: ";
    const std::wstring stays = outcome.entry.empty() ? L"" : L"\n\nIt stays in My Buttons.";
    std::vector<WindowMessage> told;
    switch (outcome.kind) {
    case Kind::ListChanged:
        told.push_back({head + L"My Buttons has changed since it was shown (another copy of Barsmith changed it).\n\n"
                              L"Nothing was deleted. The list now shows My Buttons as it is.",
                        kNotDeletedTitle});
        break;
    case Kind::CatalogueLocked:
        told.push_back({head + L"My Buttons cannot be changed: " + StatusText(outcome.status) +
                            L"\n\nNothing was deleted.",
                        kNotDeletedTitle});
        break;
    case Kind::NoGuid:
        told.push_back({L"Incorrect Format:\n\n" + FullExtensionKeyPath(HKEY_LOCAL_MACHINE, outcome.guid), kAppTitle,
                        MB_OK});
        break;
    case Kind::Unreadable:
        told.push_back({head + L"its registry key\n\n" + KeyPath(outcome) + L"\n\ncould not be read: " +
                            StatusText(outcome.status) + stays,
                        kNotDeletedTitle});
        break;
    case Kind::NotOurs:
        if (outcome.entry.empty())
            told.push_back({L"The registry key\n\n" + KeyPath(outcome) + L"\n\nis no toolbar button made by Barsmith" +
                                (outcome.status == ERROR_SUCCESS ? L"" : L", or cannot be read (" +
                                                                              StatusText(outcome.status) + L")") +
                                L", so it was left as it is.",
                            kNotDeletedTitle});
        else
            told.push_back({L"The registry key\n\n" + KeyPath(outcome) + L"\n\nthat My Buttons names for " +
                                Quoted(outcome.entry) +
                                L" is no toolbar button made by Barsmith, so it was left as it is.\n\nThe entry has "
                                L"left My Buttons.",
                            kNotDeletedTitle});
        break;
    case Kind::HasSubKeys:
        told.push_back({head + L"its registry key\n\n" + KeyPath(outcome) +
                            L"\n\nholds sub-keys, which no toolbar button has, so it was left as it is." + stays,
                        kNotDeletedTitle});
        break;
    case Kind::NotNoted: told.push_back({head + NotNotedText(outcome.status) + stays, kNotDeletedTitle}); break;
    case Kind::NotDeleted:
        told.push_back({head + L"its registry key could not be removed from" + Paragraphs(outcome.left, outcome.guid) +
                            stays,
                        kNotDeletedTitle});
        break;
    case Kind::NotUnlisted: told.push_back({UnlistFailed(outcome, outcome.status), kNotDeletedTitle}); break;
    default: break;
    }
    if (outcome.entryStatus != ERROR_SUCCESS)
        told.push_back({UnlistFailed(outcome, outcome.entryStatus), kNotDeletedTitle});
    return told;
}

std::vector<WindowMessage> LoadMessages(const ButtonOutcome& outcome) {
    const std::wstring head = L"The button " + Quoted(outcome.entry) + L" cannot be edited: ";
    switch (outcome.kind) {
    case Kind::NoButtonKey: return {{head + L"its registry key is in neither hive.", kNotEditedTitle}};
    case Kind::NotOurs:
        return {{head + L"its registry key\n\n" + KeyPath(outcome) +
                     L"\n\nis no toolbar button made by Barsmith, or cannot be read.",
                 kNotEditedTitle}};
    default: return {};
    }
}

// A repair the registry or My Buttons refused.
std::vector<WindowMessage> RepairMessages(const ButtonOutcome& outcome) {
    if (outcome.Succeeded()) return {};
    if (outcome.entryStatus != ERROR_SUCCESS) return {{UnlistFailed(outcome, outcome.entryStatus), kNotDeletedTitle}};
    if (outcome.guid.empty())
        return {{L"The change journal could not be made anew: " + StatusText(outcome.status), kAppTitle}};
    switch (outcome.kind) {
    case Kind::NotRecorded:
        if (!outcome.failure)
            return {{L"The registry key of " + outcome.guid + L" could not be listed in My Buttons: " +
                         StatusText(outcome.status),
                     kAppTitle}};
        [[fallthrough]];
    case Kind::NotWritten:
        return {{L"The button " + outcome.guid + L" could not be made alike in both registry views: " +
                     Described(*outcome.failure, outcome.guid) + PutBackText(outcome),
                 kAppTitle}};
    case Kind::NotNoted:
        return {{L"The button " + outcome.guid + L" could not be made alike in both registry views: " +
                     NotNotedText(outcome.status),
                 kAppTitle}};
    default: return {};
    }
}

std::wstring LeftText(const KeysLeft& left) {
    std::wstring text;
    for (const PlaceStatus& refused : left.refused)
        text += L"\n" + FullExtensionKeyPath(refused.place, left.guid) + L": " + StatusText(refused.status);
    for (const KeyPlace place : left.foreign)
        text += L"\n" + FullExtensionKeyPath(place, left.guid) + L": no button made by Barsmith, left as it is";
    return text;
}

bool Changes(ButtonRequest request) {
    return request == ButtonRequest::Create || request == ButtonRequest::Save || request == ButtonRequest::Remove ||
           request == ButtonRequest::Repair;
}

}  // namespace

std::wstring SettledText(const SettleReport& report, bool changes) {
    std::wstring text;
    if (changes) {
        for (const auto& [change, result] : report.unsettled)
            text += L"\n\n" + ChangeTitle(change) + L", which another copy of Barsmith did not finish, could not be "
                    L"finished: " + Described(*result.failure, change.guid) +
                    L"\n\nIt will be tried again with the next change.";
    }
    for (const auto& [change, result] : report.leftBehind)
        text += L"\n\n" + ChangeTitle(change) + L", which another copy of Barsmith did not finish, is finished, but "
                L"registry keys were left behind:" + LeftText(result.moved) + LeftText(result.replaced);
    for (const IgnoredNote& note : report.ignored)
        text += L"\n\nA note of a change in Barsmith's " +
                std::wstring(note.place == JournalPlace::Machine ? L"machine-wide" : L"per-user") +
                L" journal, " + Quoted(Escaped(note.name)) + L", was removed without being carried out: " +
                IgnoredNoteText(note.why) + L".";
    return text.empty() ? text : L"Barsmith found changes another copy of it left unfinished:" + text;
}

std::vector<WindowMessage> OutcomeMessages(const ButtonOutcome& outcome, ButtonRequest request) {
    std::vector<WindowMessage> told;
    if (const std::wstring settled = SettledText(outcome.settled, Changes(request)); !settled.empty())
        told.push_back({settled, kAppTitle});
    std::vector<WindowMessage> more;
    if (outcome.kind == Kind::Busy) {
        more.push_back({L"Another copy of Barsmith is changing the toolbar buttons and did not finish in time.\n\n"
                        L"Nothing was done. Please try again.",
                        kAppTitle});
    } else {
        switch (request) {
        case ButtonRequest::Create: more = WritingMessages(outcome, false); break;
        case ButtonRequest::Save: more = WritingMessages(outcome, true); break;
        case ButtonRequest::Remove: more = RemovalMessages(outcome); break;
        case ButtonRequest::Load: more = LoadMessages(outcome); break;
        case ButtonRequest::Repair: more = RepairMessages(outcome); break;
        case ButtonRequest::Preview:
        case ButtonRequest::Check: break;
        }
    }
    told.insert(told.end(), more.begin(), more.end());
    return told;
}

std::wstring FindingText(const Finding& finding) {
    using F = Finding::Kind;
    // The file by the name of the field it is given in: "its Default Icon C:\\a.ico".
    std::wstring file = L"its " + finding.value;
    for (const ButtonField& row : ButtonFields()) {
        if (SameName(row.value, finding.value) && row.label) file = L"its " + std::wstring(row.label);
    }
    file += L" " + Escaped(finding.named);
    const auto joined = [](const std::vector<std::wstring>& names) {
        std::wstring text;
        for (const std::wstring& name : names) text += (text.empty() ? L"" : L", ") + Quoted(Escaped(name));
        return text;
    };
    switch (finding.kind) {
    case F::EntryWithoutKey: return L"names no toolbar button of Barsmith's in either hive";
    case F::OneView:
        return std::wstring(L"is in the ") + (finding.place.view == KEY_WOW64_32KEY ? L"32" : L"64") +
               L"-bit registry view only, so the other browser shows no button";
    case F::MissingValues:
        return L"its registry key " + FullExtensionKeyPath(finding.place, finding.guid) + L" lacks " +
               joined(finding.names);
    case F::MissingFile: return file + L" does not exist";
    case F::NoToolbarImage: return file + L" holds no image the toolbar could show";
    case F::ToolbarSizeMissing: return file + L" has " + MissingSizeText(finding.size, finding.scaledSide);
    case F::Unlisted: return L"no entry of My Buttons names it; its text is " + Quoted(Escaped(finding.named));
    case F::SharedGuid: return L"so does the entry " + Quoted(Escaped(finding.named));
    case F::ViewsDiffer: return L"the 64-bit and 32-bit registry views differ in " + joined(finding.names);
    case F::UnreadableKey:
        return finding.guid.empty() ? L"a key below the browser's extensions has a name too long to be read"
                                    : FullExtensionKeyPath(finding.place, finding.guid) + L" cannot be read";
    case F::JournalUnsound:
        return std::wstring(finding.machineWide ? L"the machine-wide" : L"your") + L" change journal cannot be kept: " +
               (finding.status == kKeyIsLink ? L"it is a registry link" : StatusText(finding.status));
    }
    return {};
}

WindowMessage ReplaceQuestion(const std::wstring& text) {
    return {L"My Buttons holds a button " + Quoted(text) + L" already.\n\nReplace it? Its registry key will be deleted.",
            L"Replace Button", MB_YESNO | MB_ICONQUESTION};
}

std::wstring KindText(const ButtonDefinition& button) {
    return std::wstring(button.menuOnly ? L"menu item" : L"toolbar button") + L" that " +
           (button.script ? L"runs a script" : L"starts a program") +
           (button.helpMenu ? L", in the Help menu" : button.menuOnly ? L", in the Tools menu" : L"");
}

}  // namespace barsmith
