#include "operations/toolbar_buttons.h"

#include <algorithm>
#include <utility>

#include "model/button_fields.h"
#include "storage/button_change.h"
#include "platform/names.h"
#include "platform/status_text.h"

namespace barsmith {
namespace {

constexpr wchar_t kNotCreatedTitle[] = L"Button Not Created";
constexpr wchar_t kNotDeletedTitle[] = L"Button Not Deleted";
constexpr wchar_t kReplaceTitle[] = L"Replace Button";
constexpr wchar_t kNotEditedTitle[] = L"Button Not Edited";
constexpr wchar_t kNotSavedTitle[] = L"Button Not Saved";

std::wstring NotCreated(const ButtonDefinition& button) {
    return L"The button " + Quoted(Escaped(button.buttonText)) + L" was not created: ";
}

std::wstring NotSaved(const ButtonDefinition& button) {
    return L"The button " + Quoted(Escaped(button.buttonText)) + L" was not saved: ";
}

// The keys of a creation that failed, deleted again: how many there were,
// and those that could not be deleted.
struct TakenBack {
    size_t found = 0;
    std::vector<PlaceStatus> left;
};

// What became of the keys of a creation that failed, for the end of its message.
std::wstring TakenBackText(const TakenBack& takenBack, const std::wstring& guid) {
    if (takenBack.found == 0) return L"\n\nNothing was written.";
    if (takenBack.left.empty()) return L"\n\nThe key has been removed again.";
    return L"\n\nThe key could not be removed again and must be deleted by hand:" + Listed(takenBack.left, guid);
}

std::wstring PutBackText(const std::vector<PlaceStatus>& left, const std::wstring& guid) {
    if (left.empty()) return L"\n\nThe button has been put back as it was.";
    return L"\n\nThe button could not be put back as it was everywhere:" + Listed(left, guid);
}

// Each place as "\n\n<key>\n<why>".
std::wstring Paragraphs(const std::vector<PlaceStatus>& places, const std::wstring& guid) {
    std::wstring text;
    for (const PlaceStatus& left : places)
        text += L"\n\n" + FullExtensionKeyPath(left.place, guid) + L"\n" + StatusText(left.status);
    return text;
}

bool IsOurs(const FoundKey& found) { return IsRunProgramButton(found.key); }

std::wstring NotNoted(LSTATUS status) {
    const bool unsound = status == kKeyIsLink || status == ERROR_CHILD_MUST_BE_VOLATILE;
    return L"Barsmith could not note the change in its settings first (" +
           (status == kKeyIsLink ? std::wstring(L"its journal key is a registry link") : StatusText(status)) +
           L"), so that it could be finished if Barsmith were ended half-way." +
           (unsound ? L" Check My Buttons (barsmith.exe check --repair) makes the journal anew." : L"");
}

const wchar_t* ChangeName(const Change& change) {
    switch (change.kind) {
    case Change::Kind::Create: return L"creation";
    case Change::Kind::Save: return L"saving";
    case Change::Kind::Remove: return L"removal";
    }
    return L"";
}

std::wstring ChangeTitle(const Change& change) {
    const std::wstring& text = change.text.empty() ? change.entry : change.text;
    return std::wstring(L"The ") + ChangeName(change) + L" of the button " +
           Quoted(Escaped(text.empty() ? change.guid : text));
}

std::wstring LeftText(const KeysLeft& left) {
    std::wstring text;
    for (const PlaceStatus& refused : left.refused)
        text += L"\n" + FullExtensionKeyPath(refused.place, left.guid) + L": " + StatusText(refused.status);
    for (const KeyPlace place : left.foreign)
        text += L"\n" + FullExtensionKeyPath(place, left.guid) + L": no button made by Barsmith, left as it is";
    return text;
}

const wchar_t* IgnoredWhy(IgnoredNote::Why why) {
    switch (why) {
    case IgnoredNote::Why::Damaged: return L"it is damaged or not Barsmith's";
    case IgnoredNote::Why::TooLarge: return L"it is larger than any change of a button";
    case IgnoredNote::Why::NotItsPlace:
        return L"it names a machine-wide change but was kept where any program of the user can write";
    case IgnoredNote::Why::GivenUp: return L"the change failed each time it was tried";
    }
    return L"";
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
                IgnoredWhy(note.why) + L".";
    return text.empty() ? text : L"Barsmith found changes another copy of it left unfinished:" + text;
}

void ToolbarButtons::Tell(const std::wstring& text, const std::wstring& title, UINT type) const {
    if (holding_)
        held_.push_back({text, title, type});
    else
        messages_.Show(owner_, text, title, type);
}

template <typename Work>
bool ToolbarButtons::Locked(Work work, bool changes) const {
    Transaction transaction;
    {
        // Told from here on waits for the lock to go, also if `work` throws.
        struct Holding {
            bool& flag;
            ~Holding() { flag = false; }
        } holding{holding_ = true};
        transaction = RunLocked(keys_.Api(), catalogue_, [&] { work(); });
    }
    std::vector<Notice> notices = std::move(held_);
    held_.clear();
    // Notes not carried out are told once, as they are gone; changes not
    // settled once a change is asked for, not at every look at the list.
    if (const std::wstring settled = SettledText(transaction.settled, changes); !settled.empty())
        messages_.Show(owner_, settled, kAppTitle, MB_OK | MB_ICONEXCLAMATION);
    for (const Notice& notice : notices) messages_.Show(owner_, notice.text, notice.title, notice.type);
    if (!transaction.held) {
        Tell(L"Another copy of Barsmith is changing the toolbar buttons and did not finish in time.\n\n"
             L"Nothing was done. Please try again.",
             kAppTitle);
    }
    return transaction.held;
}

std::optional<CreationResult> ToolbarButtons::Invalid(const ButtonDefinition& button, const wchar_t* title) const {
    if (const ButtonField* missing = FirstMissingField(button)) {
        messages_.Show(owner_, missing->missingText, missing->missingTitle, MB_OK | MB_ICONINFORMATION);
        return CreationResult{CreationOutcome::MissingField, *missing->field};
    }
    if (const std::optional<TextProblem> problem = FirstTextProblem(button)) {
        Tell(L"The " + std::wstring(problem->field->label) + L" " + Quoted(Escaped(problem->field->text(button))) +
                 L" " + Described(*problem, button) + L"\n\nNothing was written.",
             title);
        return CreationResult{CreationOutcome::BadText, *problem->field->field};
    }
    // Only a GUID string may name the key: anything else in the GUID field
    // could make a key elsewhere below the browser's extensions.
    if (!IsGuidString(button.guid)) {
        Tell(NotCreated(button) + L"it has no GUID to name its registry key" +
                 (button.guid.empty() ? L"." : L" (" + Quoted(button.guid) + L" is none).") +
                 L"\n\nNothing was written.",
             kNotCreatedTitle);
        return CreationResult{CreationOutcome::NoGuid};
    }
    return std::nullopt;
}

// The user is asked without the lock held; under it the catalogue must still
// hold what the answer was about, or the question comes again.
template <typename Write>
CreationResult ToolbarButtons::WithAgreedText(const ButtonDefinition& button, bool textIsNew, Write write) const {
    for (;;) {
        const std::wstring earlier = textIsNew ? catalogue_.GuidOf(button.buttonText) : std::wstring();
        if (!earlier.empty() && !SameGuid(earlier, button.guid) && !AskReplace(button))
            return {CreationOutcome::NotReplaced};
        std::optional<CreationResult> result;
        const bool held = Locked([&] {
            if (!textIsNew || catalogue_.GuidOf(button.buttonText) == earlier) result = write(earlier);
        });
        if (!held) return {CreationOutcome::Busy};
        if (result) return *result;
    }
}

CreationResult ToolbarButtons::Create(const ButtonDefinition& given) const {
    const ButtonDefinition button = Named(given);
    if (auto invalid = Invalid(button, kNotCreatedTitle)) return *invalid;
    return WithAgreedText(button, true, [&](const std::wstring& earlier) { return WriteButton(button, earlier); });
}

bool ToolbarButtons::AskReplace(const ButtonDefinition& button) const {
    return messages_.Show(owner_,
                          L"My Buttons holds a button " + Quoted(button.buttonText) +
                              L" already.\n\nReplace it? Its registry key will be deleted.",
                          kReplaceTitle, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

// The new key is written and recorded before the earlier button of the same
// text is deleted, so that a refusal at any step leaves that one working.
CreationResult ToolbarButtons::WriteButton(const ButtonDefinition& button, const std::wstring& earlierGuid) const {
    const std::vector<FoundKey> existing = keys_.Find(button.guid);
    if (!existing.empty()) {
        Tell(NotCreated(button) + L"the registry key\n\n" + FullExtensionKeyPath(existing.front().place, button.guid) +
                 L"\n\nexists already. It was left as it is and nothing was written.",
             kNotCreatedTitle);
        return {CreationOutcome::KeyExists};
    }
    const Change change{Change::Kind::Create, button.guid, {}, button.buttonText, earlierGuid, button.rootKey,
                        KeyValuesOf(button)};
    const JournalPlace place = ChangeJournal::PlaceFor(TouchesMachine(change, {}, keys_.Find(earlierGuid)));
    if (const LSTATUS status = journal_.Begin(change, place)) {
        Tell(NotCreated(button) + NotNoted(status) + L"\n\nNothing was written.", kNotCreatedTitle);
        return {CreationOutcome::NotRecorded};
    }
    std::vector<KeyUndo> undo;
    const ChangeResult result = ApplyChange(change, keys_, catalogue_, ChangeScope::Everywhere, &undo);
    if (!result.Done()) {
        // A key that lacks values would still show up in the browser as a broken button.
        const TakenBack takenBack{undo.size(), keys_.PutBack(button.guid, undo)};
        journal_.End(button.guid, place);
        if (result.failure->step != KeyFailure::Step::Record) {
            Tell(NotCreated(button) + Described(*result.failure, button.guid) + TakenBackText(takenBack, button.guid),
                 kNotCreatedTitle);
            return {CreationOutcome::NotWritten};
        }
        Tell(NotCreated(button) + L"it could not be recorded in My Buttons: " + StatusText(result.failure->status) +
                 TakenBackText(takenBack, button.guid) +
                 (earlierGuid.empty() ? L"" : L"\n\nThe earlier button " + Quoted(button.buttonText) + L" is unchanged."),
             kNotCreatedTitle);
        return {CreationOutcome::NotRecorded};
    }
    TellReplacedLeft(button, result.replaced);
    journal_.End(button.guid, place);
    return {CreationOutcome::Created};
}

void ToolbarButtons::TellReplacedLeft(const ButtonDefinition& button, const KeysLeft& replaced) const {
    std::wstring left;
    for (const KeyPlace place : replaced.foreign)
        left += L"\n\n" + FullExtensionKeyPath(place, replaced.guid) +
                L"\nis no button made by Barsmith and was left as it is.";
    for (const PlaceStatus& refused : replaced.refused)
        left += L"\n\n" + FullExtensionKeyPath(refused.place, replaced.guid) + L"\ncould not be deleted: " +
                StatusText(refused.status);
    if (left.empty()) return;
    Tell(L"The button " + Quoted(button.buttonText) +
             L" has been created and My Buttons names it, but the registry key of the button it replaced was left "
             L"behind:" + left,
         kNotDeletedTitle);
}

std::vector<std::wstring> ToolbarButtons::Entries() const {
    std::vector<std::wstring> entries;
    Locked([&] { entries = catalogue_.ButtonTexts(); }, false);
    return entries;
}

ButtonPreview ToolbarButtons::Preview(const std::wstring& entry) const {
    ButtonPreview preview;
    Locked([&] {
        preview.guid = catalogue_.GuidOf(entry);
        for (const FoundKey& found : keys_.Find(preview.guid)) {
            if (!found.key) continue;
            std::vector<RegistryValue> values;
            found.key.Values(values);
            const ButtonDefinition described = EntryFromValues(values, preview.guid, found.place.root, entry);
            preview.iconPath = described.icon;
            preview.kind = KindText(described);
            break;
        }
    }, false);
    return preview;
}

RemovalOutcome ToolbarButtons::Remove(const std::wstring& guid, const std::wstring& entry) const {
    RemovalOutcome outcome = RemovalOutcome::Busy;
    Locked([&] { outcome = RemoveLocked(guid, entry); });
    return outcome;
}

RemovalOutcome ToolbarButtons::RemoveUnlisted(const std::wstring& guid) const {
    RemovalOutcome outcome = RemovalOutcome::Busy;
    Locked([&] { outcome = RemoveUnlistedLocked(guid); });
    return outcome;
}

RemovalOutcome ToolbarButtons::RemoveUnlistedLocked(const std::wstring& guid) const {
    // Listed meanwhile by another copy of the program: removed as its entry.
    if (const std::optional<std::wstring> text = catalogue_.TextNaming(guid)) return RemoveLocked(guid, *text);
    const std::vector<FoundKey> keys = keys_.Find(guid);
    if (keys.empty()) return RemovalOutcome::AlreadyGone;
    for (const FoundKey& found : keys) {
        if (!IsOurs(found)) {
            Tell(L"The registry key\n\n" + FullExtensionKeyPath(found.place, guid) +
                     L"\n\nis no toolbar button made by Barsmith" +
                     (found.key ? L"" : L", or cannot be read (" + StatusText(found.status) + L")") +
                     L", so it was left as it is.",
                 kNotDeletedTitle);
            return RemovalOutcome::NotOurs;
        }
    }
    return DeleteKeys(guid, L"", keys);
}

RemovalOutcome ToolbarButtons::RemoveLocked(const std::wstring& guid, const std::wstring& entry) const {
    const std::optional<std::wstring> listed = catalogue_.Lookup(entry);
    if (!listed && keys_.Find(guid).empty()) return RemovalOutcome::AlreadyGone;
    if (!listed || *listed != guid) {
        Tell(L"The button " + Quoted(entry) +
                 L" was not deleted: My Buttons has changed since it was shown (another copy of Barsmith changed "
                 L"it).\n\nNothing was deleted. The list now shows My Buttons as it is.",
             kNotDeletedTitle);
        return RemovalOutcome::ListChanged;
    }
    if (const LSTATUS status = catalogue_.CanChange(); status != ERROR_SUCCESS) {
        Tell(L"The button " + Quoted(entry) + L" was not deleted: My Buttons cannot be changed: " +
                 StatusText(status) + L"\n\nNothing was deleted.",
             kNotDeletedTitle);
        return RemovalOutcome::NotRemoved;
    }
    if (!IsGuidString(guid)) {
        Tell(L"Incorrect Format:\n\n" + FullExtensionKeyPath(HKEY_LOCAL_MACHINE, guid), kAppTitle, MB_OK);
        return Unlist(entry, RemovalOutcome::NoGuid);
    }
    const std::vector<FoundKey> keys = keys_.Find(guid);
    if (keys.empty()) return Unlist(entry, RemovalOutcome::AlreadyGone);
    for (const FoundKey& found : keys) {
        const std::wstring fullPath = FullExtensionKeyPath(found.place, guid);
        if (!found.key) {
            Tell(L"The button " + Quoted(entry) + L" was not deleted: its registry key\n\n" + fullPath +
                     L"\n\ncould not be read: " + StatusText(found.status) + L"\n\nIt stays in My Buttons.",
                 kNotDeletedTitle);
            return RemovalOutcome::NotRemoved;
        }
        if (!IsOurs(found)) {
            Tell(L"The registry key\n\n" + fullPath + L"\n\nthat My Buttons names for " + Quoted(entry) +
                     L" is no toolbar button made by Barsmith, so it was left as it is.\n\nThe entry has left My "
                     L"Buttons.",
                 kNotDeletedTitle);
            return Unlist(entry, RemovalOutcome::NotOurs);
        }
    }
    return DeleteKeys(guid, entry, keys);
}

// Deletes the keys, then the entry (when there is one), noting the change in
// the journal first.
RemovalOutcome ToolbarButtons::DeleteKeys(const std::wstring& guid, const std::wstring& entry,
                                          const std::vector<FoundKey>& keys) const {
    const std::wstring name = Quoted(entry.empty() ? guid : entry);
    std::optional<std::wstring> refusal;
    for (const FoundKey& found : keys) {
        // The system refuses to delete a key with sub-keys as "access denied";
        // a button's key has none, so someone else put them there.
        if (found.key.HasSubKeys())
            refusal = L"its registry key\n\n" + FullExtensionKeyPath(found.place, guid) +
                      L"\n\nholds sub-keys, which no toolbar button has, so it was left as it is.";
    }
    const Change change{Change::Kind::Remove, guid, entry};
    const JournalPlace place = ChangeJournal::PlaceFor(TouchesMachine(change, keys, {}));
    if (!refusal) {
        if (const LSTATUS status = journal_.Begin(change, place)) refusal = NotNoted(status);
    }
    const std::wstring stays = entry.empty() ? L"" : L"\n\nIt stays in My Buttons.";
    if (refusal) {
        Tell(L"The button " + name + L" was not deleted: " + *refusal + stays, kNotDeletedTitle);
        return RemovalOutcome::NotRemoved;
    }
    const ChangeResult result = ApplyChange(change, keys_, catalogue_);
    journal_.End(guid, place);
    if (!result.moved.refused.empty()) {
        Tell(L"The button " + name + L" was not deleted: its registry key could not be removed from" +
                 Paragraphs(result.moved.refused, guid) + stays,
             kNotDeletedTitle);
        return RemovalOutcome::NotRemoved;
    }
    if (!result.Done()) {
        Tell(L"The entry " + Quoted(entry) + L" could not be removed from My Buttons: " +
                 StatusText(result.failure->status),
             kNotDeletedTitle);
        return RemovalOutcome::NotRemoved;
    }
    return RemovalOutcome::Removed;
}

RemovalOutcome ToolbarButtons::Unlist(const std::wstring& entry, RemovalOutcome done) const {
    const LSTATUS status = catalogue_.Remove(entry);
    if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) return done;
    Tell(L"The entry " + Quoted(entry) + L" could not be removed from My Buttons: " + StatusText(status),
         kNotDeletedTitle);
    return RemovalOutcome::NotRemoved;
}

// --- Check and repair ---------------------------------------------------

std::optional<std::vector<Finding>> ToolbarButtons::Check(const std::wstring& indexFile) const {
    std::optional<std::vector<Finding>> findings;
    Locked([&] {
        findings = CheckButtons(keys_.Api(), catalogue_, indexFile);
        for (const JournalPlace place : {JournalPlace::Machine, JournalPlace::User}) {
            if (const LSTATUS status = journal_.Health(place)) {
                findings->push_back({Finding::Kind::JournalUnsound, {}, {},
                                     std::wstring(place == JournalPlace::Machine ? L"the machine-wide" : L"the user's") +
                                         L" change journal cannot be kept: " +
                                         (status == kKeyIsLink ? L"it is a registry link" : StatusText(status)),
                                     true});
            }
        }
    }, false);
    return findings;
}

std::vector<Finding> ToolbarButtons::Repair(const std::vector<Finding>& findings) const {
    std::vector<Finding> repaired;
    Locked([&] {
        for (const Finding& finding : findings) {
            if (finding.repairable && RepairOne(finding)) repaired.push_back(finding);
        }
    });
    return repaired;
}

bool ToolbarButtons::RepairOne(const Finding& finding) const {
    const std::vector<FoundKey> keys = keys_.Find(finding.guid);
    const bool ours = !keys.empty() && std::all_of(keys.begin(), keys.end(), IsOurs);
    switch (finding.kind) {
    case Finding::Kind::EntryWithoutKey: {
        const std::optional<std::wstring> listed = catalogue_.Lookup(finding.entry);
        if (!listed || !SameGuid(*listed, finding.guid) || std::any_of(keys.begin(), keys.end(), IsOurs)) return false;
        return Unlist(finding.entry, RemovalOutcome::Removed) == RemovalOutcome::Removed;
    }
    case Finding::Kind::JournalUnsound: {
        const bool machine = finding.detail.starts_with(L"the machine-wide");
        const JournalPlace place = machine ? JournalPlace::Machine : JournalPlace::User;
        return journal_.Health(place) != ERROR_SUCCESS && journal_.Recreate(place) == ERROR_SUCCESS;
    }
    case Finding::Kind::ViewsDiffer:
        return ours && keys.size() >= 2 && keys[1].place.root == HKEY_LOCAL_MACHINE &&
               MakeViewsAlike(finding.guid, catalogue_.TextNaming(finding.guid).value_or(L""));
    case Finding::Kind::OneView:
        return ours && keys.size() == 1 && keys.front().place.root == HKEY_LOCAL_MACHINE &&
               MakeViewsAlike(finding.guid, catalogue_.TextNaming(finding.guid).value_or(L""));
    case Finding::Kind::Unlisted: {
        if (!ours || catalogue_.TextNaming(finding.guid)) return false;
        std::vector<RegistryValue> values;
        keys.front().key.Values(values);
        const ButtonDefinition entry = Named(EntryFromValues(values, finding.guid, keys.front().place.root, {}));
        if (entry.buttonText.empty() || FirstTextProblem(entry) || catalogue_.Lookup(entry.buttonText)) return false;
        if (const LSTATUS status = catalogue_.Record(entry.buttonText, finding.guid)) {
            Tell(L"The registry key of " + finding.guid + L" could not be listed in My Buttons: " + StatusText(status),
                 kAppTitle);
            return false;
        }
        return true;
    }
    default:
        return false;
    }
}

// Writes the button as the 64-bit view holds it (the 32-bit view when it is
// only there) into both machine-wide views, noted in the journal as a save.
// Only the values a button has are copied.
bool ToolbarButtons::MakeViewsAlike(const std::wstring& guid, const std::wstring& entry) const {
    const std::vector<FoundKey> before = keys_.Find(guid);
    const auto source = std::find_if(before.begin(), before.end(), [](const FoundKey& found) {
        return found.place.root == HKEY_LOCAL_MACHINE;
    });
    std::vector<RegistryValue> values;
    if (source == before.end() || source->key.Values(values) != ERROR_SUCCESS) return false;
    const std::vector<std::wstring> names = ExtensionValueNames();
    std::erase_if(values, [&](const RegistryValue& value) {
        return value.type != REG_SZ || std::find(names.begin(), names.end(), value.name) == names.end();
    });
    const Change change{Change::Kind::Save, guid, entry, entry, {}, HKEY_LOCAL_MACHINE, values};
    if (journal_.Begin(change, JournalPlace::Machine) != ERROR_SUCCESS) return false;
    std::vector<KeyUndo> undo;
    const ChangeResult result = ApplyChange(change, keys_, catalogue_, ChangeScope::Everywhere, &undo);
    if (!result.Done()) {
        const std::wstring putBack = PutBackText(keys_.PutBack(guid, undo), guid);
        Tell(L"The button " + guid + L" could not be made alike in both registry views: " +
                 Described(*result.failure, guid) + putBack,
             kAppTitle);
    }
    journal_.End(guid, JournalPlace::Machine);
    return result.Done();
}

// --- Editing ------------------------------------------------------------

std::optional<ButtonDefinition> ToolbarButtons::Load(const std::wstring& entry) const {
    std::optional<ButtonDefinition> loaded;
    Locked([&] {
        const std::wstring guid = catalogue_.GuidOf(entry);
        const std::vector<FoundKey> keys = keys_.Find(guid);
        const bool ours = !keys.empty() && std::all_of(keys.begin(), keys.end(), IsOurs);
        if (!ours) {
            Tell(L"The button " + Quoted(entry) + L" cannot be edited: " +
                     (keys.empty() ? L"its registry key is in neither hive."
                                   : L"its registry key\n\n" + FullExtensionKeyPath(keys.front().place, guid) +
                                         L"\n\nis no toolbar button made by Barsmith, or cannot be read."),
                 kNotEditedTitle);
            return;
        }
        std::vector<RegistryValue> values;
        keys.front().key.Values(values);
        loaded = EntryFromValues(values, guid, keys.front().place.root, entry);
    }, false);
    return loaded;
}

CreationResult ToolbarButtons::Save(const ButtonDefinition& given, const std::wstring& entry) const {
    const ButtonDefinition button = Named(given);
    if (auto invalid = Invalid(button, kNotSavedTitle)) return *invalid;
    const bool renamed = !SameName(entry, button.buttonText);
    return WithAgreedText(button, renamed,
                          [&](const std::wstring& earlier) { return SaveLocked(button, entry, earlier); });
}

CreationResult ToolbarButtons::SaveLocked(const ButtonDefinition& button, const std::wstring& entry,
                                          const std::wstring& earlierGuid) const {
    const std::optional<std::wstring> listed = catalogue_.Lookup(entry);
    const std::vector<FoundKey> before = keys_.Find(button.guid);
    if (!listed || !SameGuid(*listed, button.guid) || before.empty()) {
        Tell(NotSaved(button) + L"My Buttons or its registry key has changed since it was loaded (another copy of "
                                L"Barsmith changed it).\n\nNothing was written.",
             kNotSavedTitle);
        return {CreationOutcome::ListChanged};
    }
    for (const FoundKey& found : before) {
        if (!IsOurs(found)) {
            Tell(NotSaved(button) + L"the registry key\n\n" + FullExtensionKeyPath(found.place, button.guid) +
                     L"\n\nis no toolbar button made by Barsmith, or cannot be read.\n\nNothing was written.",
                 kNotSavedTitle);
            return {CreationOutcome::NotWritten};
        }
    }
    const std::vector<RegistryValue> values = KeyValuesOf(button);
    // Saving an unchanged button writes nothing at all.
    if (entry == button.buttonText && earlierGuid.empty() && keys_.Hold(button.rootKey, values, before))
        return {CreationOutcome::Saved};
    const Change change{Change::Kind::Save, button.guid, entry, button.buttonText, earlierGuid, button.rootKey, values};
    const JournalPlace place = ChangeJournal::PlaceFor(TouchesMachine(change, before, keys_.Find(earlierGuid)));
    if (const LSTATUS status = journal_.Begin(change, place)) {
        Tell(NotSaved(button) + NotNoted(status) + L"\n\nNothing was written.", kNotSavedTitle);
        return {CreationOutcome::NotWritten};
    }
    std::vector<KeyUndo> undo;
    const ChangeResult result = ApplyChange(change, keys_, catalogue_, ChangeScope::Everywhere, &undo);
    if (!result.Done()) {
        const std::wstring putBack = PutBackText(keys_.PutBack(button.guid, undo), button.guid);
        journal_.End(button.guid, place);
        if (result.failure->step == KeyFailure::Step::Record) {
            Tell(NotSaved(button) + L"its new text could not be recorded in My Buttons: " +
                     StatusText(result.failure->status) + putBack,
                 kNotSavedTitle);
            return {CreationOutcome::NotRecorded};
        }
        Tell(NotSaved(button) + Described(*result.failure, button.guid) + putBack, kNotSavedTitle);
        return {CreationOutcome::NotWritten};
    }
    if (result.entryKept != ERROR_SUCCESS) {
        Tell(L"The button " + Quoted(button.buttonText) + L" has been saved, but its earlier entry " + Quoted(entry) +
                 L" could not be removed from My Buttons: " + StatusText(result.entryKept),
             kNotDeletedTitle);
    }
    TellReplacedLeft(button, result.replaced);
    if (!result.moved.refused.empty()) {
        Tell(L"The button " + Quoted(button.buttonText) +
                 L" has been saved, but its registry key could not be deleted from where it was before:" +
                 Paragraphs(result.moved.refused, button.guid),
             kNotDeletedTitle);
    }
    journal_.End(button.guid, place);
    return {CreationOutcome::Saved};
}

}  // namespace barsmith
