#include "storage/button_change.h"

#include <algorithm>

#include "platform/names.h"

namespace barsmith {
namespace {

bool InScope(KeyPlace place, ChangeScope scope) {
    return scope == ChangeScope::Everywhere || place.root == HKEY_CURRENT_USER;
}

bool IsOurs(const FoundKey& found) { return IsRunProgramButton(found.key); }

// A key this change began to write (and was ended before it wrote the
// class): it holds no sub-key and only values the change writes, each as
// the change writes it. A key made and not yet filled is one of them.
bool WrittenBy(const FoundKey& found, const Change& change) {
    std::vector<RegistryValue> values;
    if (!found.key || found.key.HasSubKeys() || found.key.Values(values) != ERROR_SUCCESS) return false;
    return std::all_of(values.begin(), values.end(), [&](const RegistryValue& value) {
        return std::find(change.values.begin(), change.values.end(), value) != change.values.end();
    });
}

bool Holds(const std::vector<KeyPlace>& places, KeyPlace place) {
    return std::find(places.begin(), places.end(), place) != places.end();
}

// My Buttons names the button of `guid` under `text`.
bool Names(const MyButtonsCatalogue& catalogue, const std::wstring& text, const std::wstring& guid) {
    const std::optional<std::wstring> listed = catalogue.Lookup(text);
    return listed && SameGuid(*listed, guid);
}

std::vector<FoundKey> FindInScope(const ButtonKeys& keys, const std::wstring& guid, ChangeScope scope) {
    std::vector<FoundKey> found = keys.Find(guid);
    std::erase_if(found, [scope](const FoundKey& key) { return !InScope(key.place, scope); });
    return found;
}

// Deletes those of the keys that are of this program's kind; the others are left alone.
KeysLeft DeleteOurs(const ButtonKeys& keys, const std::wstring& guid, const std::vector<FoundKey>& found) {
    KeysLeft left{guid, {}, {}};
    std::vector<KeyPlace> ours;
    for (const FoundKey& key : found) (IsOurs(key) ? ours : left.foreign).push_back(key.place);
    left.refused = keys.Delete(guid, ours);
    return left;
}

// Create and Save: the key holds the values in every place of its hive, My
// Buttons names it under its text, and its old entry, the places it left and
// the button it replaced are gone.
ChangeResult ApplyPut(const Change& change, const ButtonKeys& keys, const MyButtonsCatalogue& catalogue,
                      ChangeScope scope, std::vector<KeyUndo>& undo) {
    ChangeResult result;
    const std::vector<KeyPlace> targets = PlacesFor(change.hive);
    const std::vector<FoundKey> before = FindInScope(keys, change.guid, scope);
    if (!InScope(targets.front(), scope)) {
        result.failure = KeyFailure{KeyFailure::Step::Foreign, targets.front(), {}, ERROR_ACCESS_DENIED};
        return result;
    }
    for (const FoundKey& found : before) {
        if (Holds(targets, found.place) && !IsOurs(found) && !WrittenBy(found, change)) {
            result.failure = KeyFailure{KeyFailure::Step::Foreign, found.place, {},
                                        found.key ? ERROR_ACCESS_DENIED : found.status};
            return result;
        }
    }
    if ((result.failure = keys.Rewrite(change.guid, change.hive, change.values, before, undo))) return result;
    if (!change.text.empty() && change.text != change.entry) {
        if (const LSTATUS status = catalogue.Record(change.text, change.guid)) {
            result.failure = KeyFailure{KeyFailure::Step::Record, {}, {}, status};
            return result;
        }
    }
    if (!change.entry.empty() && !SameName(change.entry, change.text) && Names(catalogue, change.entry, change.guid)) {
        const LSTATUS status = catalogue.Remove(change.entry);
        if (status != ERROR_FILE_NOT_FOUND) result.entryKept = status;
    }
    // The button it replaced goes, unless an entry names it again.
    if (!change.earlier.empty() && !SameGuid(change.earlier, change.guid) && !catalogue.TextNaming(change.earlier))
        result.replaced = DeleteOurs(keys, change.earlier, FindInScope(keys, change.earlier, scope));
    // The places it left, once it is where it goes.
    std::vector<FoundKey> moved = FindInScope(keys, change.guid, scope);
    std::erase_if(moved, [&](const FoundKey& found) { return Holds(targets, found.place); });
    result.moved = DeleteOurs(keys, change.guid, moved);
    return result;
}

// Remove: every key of the button of this program's kind is gone, and then its entry.
ChangeResult ApplyRemove(const Change& change, const ButtonKeys& keys, const MyButtonsCatalogue& catalogue,
                         ChangeScope scope) {
    ChangeResult result;
    result.moved = DeleteOurs(keys, change.guid, FindInScope(keys, change.guid, scope));
    // Keys out of its reach stay, and so does the entry that names them.
    bool outOfReach = false;
    for (const FoundKey& found : keys.Find(change.guid)) {
        if (InScope(found.place, scope)) continue;
        result.moved.foreign.push_back(found.place);
        outOfReach = true;
    }
    if (!result.moved.refused.empty()) {
        const PlaceStatus& first = result.moved.refused.front();
        result.failure = KeyFailure{KeyFailure::Step::DeleteKey, first.place, {}, first.status};
        return result;
    }
    if (!outOfReach && !change.entry.empty() && Names(catalogue, change.entry, change.guid)) {
        const LSTATUS status = catalogue.Remove(change.entry);
        if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
            result.failure = KeyFailure{KeyFailure::Step::Unlist, {}, {}, status};
    }
    return result;
}

}  // namespace

ChangeResult ApplyChange(const Change& change, const ButtonKeys& keys, const MyButtonsCatalogue& catalogue,
                         ChangeScope scope, std::vector<KeyUndo>* undo) {
    if (change.kind == Change::Kind::Remove) return ApplyRemove(change, keys, catalogue, scope);
    std::vector<KeyUndo> unused;
    return ApplyPut(change, keys, catalogue, scope, undo ? *undo : unused);
}

bool TouchesMachine(const Change& change, const std::vector<FoundKey>& keys, const std::vector<FoundKey>& earlier) {
    const auto machine = [](const FoundKey& found) { return found.place.root == HKEY_LOCAL_MACHINE; };
    return (change.kind != Change::Kind::Remove && change.hive == HKEY_LOCAL_MACHINE) ||
           std::any_of(keys.begin(), keys.end(), machine) || std::any_of(earlier.begin(), earlier.end(), machine);
}

SettleReport SettlePendingChanges(const ChangeJournal& journal, const ButtonKeys& keys,
                                  const MyButtonsCatalogue& catalogue) {
    SettleReport report;
    for (const PendingChange& pending : journal.Pending(report.ignored)) {
        const ChangeScope scope =
            pending.place == JournalPlace::Machine ? ChangeScope::Everywhere : ChangeScope::CurrentUserOnly;
        ChangeResult result = ApplyChange(pending.change, keys, catalogue, scope);
        if (!result.Done()) {
            journal.Retried(pending);
            report.unsettled.emplace_back(pending.change, std::move(result));
            continue;
        }
        journal.End(pending.change.guid, pending.place);
        if (!result.Clean()) report.leftBehind.emplace_back(pending.change, std::move(result));
    }
    return report;
}

}  // namespace barsmith
