#include "operations/toolbar_buttons.h"

#include <algorithm>
#include <utility>

#include "model/guid.h"
#include "platform/names.h"

namespace barsmith {
namespace {

using Kind = ButtonOutcome::Kind;

bool IsOurs(const FoundKey& found) { return IsRunProgramButton(found.key); }

ButtonOutcome Outcome(Kind kind, const std::wstring& text, const std::wstring& guid) {
    ButtonOutcome outcome;
    outcome.kind = kind;
    outcome.text = text;
    outcome.entry = text;
    outcome.guid = guid;
    return outcome;
}

ButtonOutcome AtPlace(Kind kind, const std::wstring& text, const std::wstring& guid, KeyPlace place,
                      LSTATUS status = ERROR_SUCCESS) {
    ButtonOutcome outcome = Outcome(kind, text, guid);
    outcome.place = place;
    outcome.status = status;
    return outcome;
}

}  // namespace

bool ReplacePolicy::Allows(const std::wstring& earlier) const {
    return mode == Mode::Any || (mode == Mode::Only && SameGuid(guid, earlier));
}

bool ButtonOutcome::Succeeded() const {
    switch (kind) {
    case Kind::Done:
    case Kind::Created:
    case Kind::Saved:
    case Kind::Removed:
    case Kind::AlreadyGone: return entryStatus == ERROR_SUCCESS;
    default: return false;
    }
}

bool ButtonOutcome::Unlisted() const {
    return Succeeded() || ((kind == Kind::NotOurs || kind == Kind::NoGuid) && entryStatus == ERROR_SUCCESS);
}

template <typename Work>
ButtonOutcome ToolbarButtons::Locked(Work work) const {
    ButtonOutcome outcome;
    const Transaction transaction = RunLocked(keys_.Api(), catalogue_, [&] { outcome = work(); });
    if (!transaction.held) outcome = Outcome(Kind::Busy, {}, {});
    outcome.settled = transaction.settled;
    return outcome;
}

// Validation first: what no entry may be is refused before the lock is taken.
std::optional<ButtonOutcome> Invalid(const ButtonDefinition& button) {
    if (const ButtonField* missing = FirstMissingField(button)) {
        ButtonOutcome outcome = Outcome(Kind::MissingField, button.buttonText, button.guid);
        outcome.row = missing;
        return outcome;
    }
    if (const std::optional<TextProblem> problem = FirstTextProblem(button)) {
        ButtonOutcome outcome = Outcome(Kind::BadText, button.buttonText, button.guid);
        outcome.row = problem->field;
        outcome.problem = problem;
        outcome.value = problem->field->text(button);
        return outcome;
    }
    // Only a GUID string may name the key: anything else in the GUID field
    // could make a key elsewhere below the browser's extensions.
    if (!IsGuidString(button.guid)) return Outcome(Kind::NoGuid, button.buttonText, button.guid);
    return std::nullopt;
}

// Under the lock the catalogue must still name what the policy was applied
// to: the earlier button of the text is the one read under it.
template <typename Write>
ButtonOutcome ToolbarButtons::WithAgreedText(const ButtonDefinition& button, bool textIsNew, ReplacePolicy policy,
                                             Write write) const {
    return Locked([&] {
        const std::wstring earlier = textIsNew ? catalogue_.GuidOf(button.buttonText) : std::wstring();
        if (!earlier.empty() && !SameGuid(earlier, button.guid) && !policy.Allows(earlier)) {
            ButtonOutcome outcome = Outcome(Kind::NotReplaced, button.buttonText, button.guid);
            outcome.earlier = earlier;
            return outcome;
        }
        return write(earlier);
    });
}

ButtonOutcome ToolbarButtons::Create(const ButtonDefinition& given, ReplacePolicy policy) const {
    const ButtonDefinition button = Named(given);
    if (auto invalid = Invalid(button)) return *invalid;
    return WithAgreedText(button, true, policy,
                          [&](const std::wstring& earlier) { return WriteButton(button, earlier); });
}

// The change is noted before its first write and its note removed once it is
// done or undone; what a failure wrote is put back as it was.
ButtonOutcome ToolbarButtons::Apply(const Change& change, JournalPlace place) const {
    const std::wstring& text = change.text.empty() ? change.entry : change.text;
    if (const LSTATUS status = journal_.Begin(change, place)) {
        ButtonOutcome outcome = Outcome(Kind::NotNoted, text, change.guid);
        outcome.status = status;
        return outcome;
    }
    std::vector<KeyUndo> undo;
    const ChangeResult result = ApplyChange(change, keys_, catalogue_, ChangeScope::Everywhere, &undo);
    ButtonOutcome outcome = Outcome(Kind::Done, text, change.guid);
    if (!result.Done()) {
        const bool recording = result.failure->step == KeyFailure::Step::Record;
        outcome.kind = recording ? Kind::NotRecorded : Kind::NotWritten;
        outcome.status = result.failure->status;
        outcome.failure = result.failure;
        outcome.written = undo.size();
        // A key that lacks values would still show up in the browser as a broken button.
        outcome.undone = keys_.PutBack(change.guid, undo);
    }
    outcome.leftOver = result;
    journal_.End(change.guid, place);
    return outcome;
}

// The new key is written and recorded before the earlier button of the same
// text is deleted, so that a refusal at any step leaves that one working.
ButtonOutcome ToolbarButtons::WriteButton(const ButtonDefinition& button, const std::wstring& earlierGuid) const {
    if (const std::vector<FoundKey> existing = keys_.Find(button.guid); !existing.empty())
        return AtPlace(Kind::KeyExists, button.buttonText, button.guid, existing.front().place);
    const Change change{Change::Kind::Create, button.guid, {}, button.buttonText, earlierGuid, button.rootKey,
                        KeyValuesOf(button)};
    ButtonOutcome outcome =
        Apply(change, ChangeJournal::PlaceFor(TouchesMachine(change, {}, keys_.Find(earlierGuid))));
    if (outcome.kind == Kind::Done) outcome.kind = Kind::Created;
    outcome.replacing = !earlierGuid.empty();
    return outcome;
}

ButtonPreview ToolbarButtons::Preview(const std::wstring& entry) const {
    ButtonPreview preview;
    preview.outcome = Locked([&] {
        preview.guid = catalogue_.GuidOf(entry);
        for (const FoundKey& found : keys_.Find(preview.guid)) {
            if (!found.key) continue;
            std::vector<RegistryValue> values;
            found.key.Values(values);
            preview.described = EntryFromValues(values, preview.guid, found.place.root, entry);
            preview.iconPath = preview.described->icon;
            break;
        }
        return Outcome(Kind::Done, entry, preview.guid);
    });
    return preview;
}

// --- Removing -------------------------------------------------------------

ButtonOutcome ToolbarButtons::Remove(const std::wstring& guid, const std::wstring& entry) const {
    return Locked([&] { return RemoveLocked(guid, entry); });
}

ButtonOutcome ToolbarButtons::RemoveUnlisted(const std::wstring& guid) const {
    return Locked([&] { return RemoveUnlistedLocked(guid); });
}

ButtonOutcome ToolbarButtons::RemoveUnlistedLocked(const std::wstring& guid) const {
    // Listed meanwhile by another copy of the program: removed as its entry.
    if (const std::optional<std::wstring> text = catalogue_.TextNaming(guid)) return RemoveLocked(guid, *text);
    const std::vector<FoundKey> keys = keys_.Find(guid);
    if (keys.empty()) return Outcome(Kind::AlreadyGone, {}, guid);
    for (const FoundKey& found : keys) {
        if (!IsOurs(found))
            return AtPlace(Kind::NotOurs, {}, guid, found.place, found.key ? ERROR_SUCCESS : found.status);
    }
    return DeleteKeys(guid, L"", keys);
}

ButtonOutcome ToolbarButtons::RemoveLocked(const std::wstring& guid, const std::wstring& entry) const {
    const std::optional<std::wstring> listed = catalogue_.Lookup(entry);
    if (!listed && keys_.Find(guid).empty()) return Outcome(Kind::AlreadyGone, entry, guid);
    if (!listed || *listed != guid) return Outcome(Kind::ListChanged, entry, guid);
    if (const LSTATUS status = catalogue_.CanChange(); status != ERROR_SUCCESS) {
        ButtonOutcome outcome = Outcome(Kind::CatalogueLocked, entry, guid);
        outcome.status = status;
        return outcome;
    }
    if (!IsGuidString(guid)) return Unlist(Outcome(Kind::NoGuid, entry, guid));
    const std::vector<FoundKey> keys = keys_.Find(guid);
    if (keys.empty()) return Unlist(Outcome(Kind::AlreadyGone, entry, guid));
    for (const FoundKey& found : keys) {
        if (!found.key) return AtPlace(Kind::Unreadable, entry, guid, found.place, found.status);
        if (!IsOurs(found)) return Unlist(AtPlace(Kind::NotOurs, entry, guid, found.place));
    }
    return DeleteKeys(guid, entry, keys);
}

// Deletes the keys, then the entry (when there is one), noting the change in
// the journal first.
ButtonOutcome ToolbarButtons::DeleteKeys(const std::wstring& guid, const std::wstring& entry,
                                         const std::vector<FoundKey>& keys) const {
    for (const FoundKey& found : keys) {
        // The system refuses to delete a key with sub-keys as "access denied";
        // a button's key has none, so someone else put them there.
        if (found.key.HasSubKeys()) return AtPlace(Kind::HasSubKeys, entry, guid, found.place);
    }
    const Change change{Change::Kind::Remove, guid, entry};
    ButtonOutcome outcome = Apply(change, ChangeJournal::PlaceFor(TouchesMachine(change, keys, {})));
    if (outcome.kind == Kind::Done) return Outcome(Kind::Removed, entry, guid);
    if (!outcome.leftOver.moved.refused.empty()) {
        outcome.kind = Kind::NotDeleted;
        outcome.left = outcome.leftOver.moved.refused;
    } else if (outcome.failure && outcome.failure->step == KeyFailure::Step::Unlist) {
        outcome.kind = Kind::NotUnlisted;
    }
    return outcome;
}

// The entry leaves My Buttons; `done` tells what became of the button's keys.
ButtonOutcome ToolbarButtons::Unlist(ButtonOutcome done) const {
    const LSTATUS status = catalogue_.Remove(done.text);
    if (status != ERROR_FILE_NOT_FOUND) done.entryStatus = status;
    return done;
}

// --- Check and repair ---------------------------------------------------

CheckResult ToolbarButtons::Check(const std::wstring& indexFile) const {
    CheckResult checked;
    checked.outcome = Locked([&] {
        checked.findings = CheckButtons(keys_.Api(), catalogue_, indexFile);
        for (const JournalPlace place : {JournalPlace::Machine, JournalPlace::User}) {
            if (const LSTATUS status = journal_.Health(place))
                checked.findings.push_back(JournalFinding(place == JournalPlace::Machine, status));
        }
        return Outcome(Kind::Done, {}, {});
    });
    return checked;
}

RepairResult ToolbarButtons::Repair(const std::vector<Finding>& findings) const {
    RepairResult result;
    result.outcome = Locked([&] {
        for (const Finding& finding : findings) {
            if (!finding.repairable) continue;
            const std::optional<ButtonOutcome> done = RepairOne(finding);
            if (!done) continue;
            if (done->Succeeded())
                result.repaired.push_back(finding);
            else
                result.refused.push_back(*done);
        }
        return Outcome(Kind::Done, {}, {});
    });
    return result;
}

// Nothing when what was found is no longer so, or is not this program's to mend.
std::optional<ButtonOutcome> ToolbarButtons::RepairOne(const Finding& finding) const {
    const std::vector<FoundKey> keys = keys_.Find(finding.guid);
    const bool ours = !keys.empty() && std::all_of(keys.begin(), keys.end(), IsOurs);
    const std::wstring entry = catalogue_.TextNaming(finding.guid).value_or(L"");
    switch (finding.kind) {
    case Finding::Kind::EntryWithoutKey: {
        const std::optional<std::wstring> listed = catalogue_.Lookup(finding.entry);
        if (!listed || !SameGuid(*listed, finding.guid) || std::any_of(keys.begin(), keys.end(), IsOurs)) return {};
        return Unlist(Outcome(Kind::AlreadyGone, finding.entry, finding.guid));
    }
    case Finding::Kind::JournalUnsound: {
        const JournalPlace place = finding.machineWide ? JournalPlace::Machine : JournalPlace::User;
        if (journal_.Health(place) == ERROR_SUCCESS) return {};
        ButtonOutcome outcome = Outcome(Kind::Done, {}, {});
        if (const LSTATUS status = journal_.Recreate(place)) {
            outcome.kind = Kind::NotNoted;
            outcome.status = status;
        }
        return outcome;
    }
    case Finding::Kind::ViewsDiffer:
        if (!ours || keys.size() < 2 || keys[1].place.root != HKEY_LOCAL_MACHINE) return {};
        return MakeViewsAlike(finding.guid, entry);
    case Finding::Kind::OneView:
        if (!ours || keys.size() != 1 || keys.front().place.root != HKEY_LOCAL_MACHINE) return {};
        return MakeViewsAlike(finding.guid, entry);
    case Finding::Kind::Unlisted: {
        if (!ours || !entry.empty()) return {};
        std::vector<RegistryValue> values;
        keys.front().key.Values(values);
        const ButtonDefinition found = Named(EntryFromValues(values, finding.guid, keys.front().place.root, {}));
        // The text is read again here: the one the check showed may have changed since.
        if (found.buttonText.empty() || FirstTextProblem(found) || catalogue_.Lookup(found.buttonText)) return {};
        ButtonOutcome outcome = Outcome(Kind::Done, found.buttonText, finding.guid);
        if (const LSTATUS status = catalogue_.Record(found.buttonText, finding.guid)) {
            outcome.kind = Kind::NotRecorded;
            outcome.status = status;
        }
        return outcome;
    }
    default:
        return {};
    }
}

// Writes the button as the 64-bit view holds it (the 32-bit view when it is
// only there) into both machine-wide views, noted in the journal as a save.
// Only the values a button has are copied.
std::optional<ButtonOutcome> ToolbarButtons::MakeViewsAlike(const std::wstring& guid, const std::wstring& entry) const {
    const std::vector<FoundKey> before = keys_.Find(guid);
    const auto source = std::find_if(before.begin(), before.end(), [](const FoundKey& found) {
        return found.place.root == HKEY_LOCAL_MACHINE;
    });
    std::vector<RegistryValue> values;
    if (source == before.end() || source->key.Values(values) != ERROR_SUCCESS) return std::nullopt;
    const std::vector<std::wstring> names = ExtensionValueNames();
    std::erase_if(values, [&](const RegistryValue& value) {
        return value.type != REG_SZ || std::find(names.begin(), names.end(), value.name) == names.end();
    });
    return Apply({Change::Kind::Save, guid, entry, entry, {}, HKEY_LOCAL_MACHINE, values}, JournalPlace::Machine);
}

// --- Editing ------------------------------------------------------------

LoadedButton ToolbarButtons::Load(const std::wstring& entry) const {
    LoadedButton loaded;
    loaded.outcome = Locked([&] {
        const std::wstring guid = catalogue_.GuidOf(entry);
        const std::vector<FoundKey> keys = keys_.Find(guid);
        if (keys.empty()) return Outcome(Kind::NoButtonKey, entry, guid);
        for (const FoundKey& found : keys) {
            if (!IsOurs(found)) return AtPlace(Kind::NotOurs, entry, guid, found.place, found.status);
        }
        std::vector<RegistryValue> values;
        keys.front().key.Values(values);
        loaded.button = EntryFromValues(values, guid, keys.front().place.root, entry);
        return Outcome(Kind::Done, entry, guid);
    });
    return loaded;
}

ButtonOutcome ToolbarButtons::Save(const ButtonDefinition& given, const std::wstring& entry,
                                   ReplacePolicy policy) const {
    const ButtonDefinition button = Named(given);
    if (auto invalid = Invalid(button)) return *invalid;
    const bool renamed = !SameName(entry, button.buttonText);
    return WithAgreedText(button, renamed, policy,
                          [&](const std::wstring& earlier) { return SaveLocked(button, entry, earlier); });
}

ButtonOutcome ToolbarButtons::SaveLocked(const ButtonDefinition& button, const std::wstring& entry,
                                         const std::wstring& earlierGuid) const {
    const std::optional<std::wstring> listed = catalogue_.Lookup(entry);
    const std::vector<FoundKey> before = keys_.Find(button.guid);
    if (!listed || !SameGuid(*listed, button.guid) || before.empty())
        return Outcome(Kind::ListChanged, button.buttonText, button.guid);
    for (const FoundKey& found : before) {
        if (!IsOurs(found)) return AtPlace(Kind::NotOurs, button.buttonText, button.guid, found.place, found.status);
    }
    const std::vector<RegistryValue> values = KeyValuesOf(button);
    // Saving an unchanged button writes nothing at all.
    if (entry == button.buttonText && earlierGuid.empty() && keys_.Hold(button.rootKey, values, before))
        return Outcome(Kind::Saved, entry, button.guid);
    const Change change{Change::Kind::Save, button.guid, entry, button.buttonText, earlierGuid, button.rootKey, values};
    ButtonOutcome outcome =
        Apply(change, ChangeJournal::PlaceFor(TouchesMachine(change, before, keys_.Find(earlierGuid))));
    if (outcome.kind == Kind::Done) outcome.kind = Kind::Saved;
    outcome.entry = entry;
    return outcome;
}

}  // namespace barsmith
