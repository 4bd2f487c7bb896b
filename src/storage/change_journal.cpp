#include "storage/change_journal.h"

#include <algorithm>
#include <optional>

#include "storage/settings_store.h"
#include "platform/names.h"
#include "platform/status_text.h"

namespace barsmith {
namespace {

constexpr wchar_t kJournalSection[] = L"Journal";
constexpr wchar_t kValuesKey[] = L"Values";
// Written last: an entry without it was cut short before its change began.
constexpr wchar_t kOperation[] = L"Operation";

const wchar_t* OperationName(JournalEntry::Operation operation) {
    switch (operation) {
    case JournalEntry::Operation::Create: return L"create";
    case JournalEntry::Operation::Save: return L"save";
    case JournalEntry::Operation::Remove: return L"remove";
    }
    return L"";
}

std::optional<JournalEntry::Operation> OperationNamed(const std::wstring& name) {
    for (const auto operation :
         {JournalEntry::Operation::Create, JournalEntry::Operation::Save, JournalEntry::Operation::Remove}) {
        if (name == OperationName(operation)) return operation;
    }
    return std::nullopt;
}

// My Buttons names the button of `guid` under `text`.
bool Names(const MyButtonsCatalogue& catalogue, const std::wstring& text, const std::wstring& guid) {
    const std::optional<std::wstring> listed = catalogue.Lookup(text);
    return listed && SameGuid(*listed, guid);
}

// Deletes the keys of a button another replaced, unless an entry names it again.
std::wstring RetireEarlier(const JournalEntry& change, const ButtonKeys& keys, const MyButtonsCatalogue& catalogue) {
    if (change.earlier.empty() || SameGuid(change.earlier, change.guid) || catalogue.TextNaming(change.earlier))
        return {};
    const Retired retired = keys.Retire(change.earlier);
    if (retired.left.empty()) return {};
    return L"\n\nThe registry key of the button it replaced could not be deleted:" +
           Listed(retired.left, change.earlier);
}

// The keys in places the button left, once it is written where it goes.
std::vector<PlaceStatus> DeleteLeftPlaces(const JournalEntry& change, const ButtonKeys& keys) {
    const std::vector<KeyPlace> targets = PlacesFor(change.hive);
    std::vector<KeyPlace> left;
    for (const FoundKey& found : keys.Find(change.guid)) {
        if (std::find(targets.begin(), targets.end(), found.place) == targets.end()) left.push_back(found.place);
    }
    return keys.Delete(change.guid, left);
}

std::wstring SettleCreation(const JournalEntry& change, const ButtonKeys& keys, const MyButtonsCatalogue& catalogue) {
    if (Names(catalogue, change.entry, change.guid)) return RetireEarlier(change, keys, catalogue);
    const TakenBack takenBack = keys.TakeBack(change.guid);
    // An entry that was being written anew for the replacement names the
    // earlier button again, as before the change.
    if (!change.earlier.empty() && !catalogue.Lookup(change.entry) && !keys.Find(change.earlier).empty())
        catalogue.Record(change.entry, change.earlier);
    if (takenBack.left.empty()) return {};
    return L"\n\nIts registry key could not be removed again:" + Listed(takenBack.left, change.guid);
}

std::wstring SettleSave(const JournalEntry& change, const ButtonKeys& keys, const MyButtonsCatalogue& catalogue) {
    std::vector<KeyUndo> unused;
    if (const auto failure = keys.Rewrite(change.guid, change.hive, change.values, keys.Find(change.guid), unused))
        return L"\n\n" + Described(*failure, change.guid);
    if (change.text != change.entry) {
        if (const LSTATUS status = catalogue.Record(change.text, change.guid))
            return L"\n\nMy Buttons could not be changed: " + StatusText(status);
    }
    if (!SameName(change.entry, change.text) && Names(catalogue, change.entry, change.guid))
        catalogue.Remove(change.entry);
    std::wstring left = RetireEarlier(change, keys, catalogue);
    if (const auto refused = DeleteLeftPlaces(change, keys); !refused.empty())
        left += L"\n\nIts registry key could not be deleted from where it was before:" + Listed(refused, change.guid);
    return left;
}

std::wstring SettleRemoval(const JournalEntry& change, const ButtonKeys& keys, const MyButtonsCatalogue& catalogue) {
    const TakenBack deleted = keys.TakeBack(change.guid);
    if (!deleted.left.empty())
        return L"\n\nIts registry key could not be deleted:" + Listed(deleted.left, change.guid);
    if (!change.entry.empty() && Names(catalogue, change.entry, change.guid)) {
        if (const LSTATUS status = catalogue.Remove(change.entry))
            return L"\n\nIts entry could not be removed from My Buttons: " + StatusText(status);
    }
    return {};
}

}  // namespace

ChangeJournal::ChangeJournal(RegistryApi& api, const std::wstring& application)
    : api_(api), path_(SectionPath(application, kJournalSection)) {}

LSTATUS ChangeJournal::Begin(const JournalEntry& entry) const {
    End(entry.guid);
    const std::wstring path = path_ + L"\\" + entry.guid;
    RegKey key;
    if (const LSTATUS status = key.Create(api_, HKEY_CURRENT_USER, path, KEY_SET_VALUE)) return status;
    if (!entry.values.empty()) {
        RegKey values;
        if (const LSTATUS status = values.Create(api_, HKEY_CURRENT_USER, path + L"\\" + kValuesKey, KEY_SET_VALUE))
            return status;
        for (const RegistryValue& value : entry.values) {
            if (const LSTATUS status = values.Write(value)) return status;
        }
    }
    const RegistryValue fields[] = {
        TextValue(L"Entry", entry.entry),
        TextValue(L"Text", entry.text),
        TextValue(L"Earlier", entry.earlier),
        TextValue(L"Hive", entry.hive == HKEY_CURRENT_USER ? L"user" : L"machine"),
        TextValue(kOperation, OperationName(entry.operation)),
    };
    for (const RegistryValue& field : fields) {
        if (const LSTATUS status = key.Write(field)) return status;
    }
    return ERROR_SUCCESS;
}

void ChangeJournal::End(const std::wstring& guid) const {
    const std::wstring path = path_ + L"\\" + guid;
    // Without its operation the entry counts as never written, even where
    // its key cannot be deleted.
    RegKey key;
    if (key.Open(api_, HKEY_CURRENT_USER, path, KEY_SET_VALUE) == ERROR_SUCCESS) key.DeleteValue(kOperation);
    key.Close();
    api_.DeleteKey(HKEY_CURRENT_USER, path + L"\\" + kValuesKey, 0);
    api_.DeleteKey(HKEY_CURRENT_USER, path, 0);
}

std::vector<JournalEntry> ChangeJournal::Pending() const {
    std::vector<JournalEntry> pending;
    RegKey journal;
    std::vector<std::wstring> guids;
    if (journal.Open(api_, HKEY_CURRENT_USER, path_, KEY_ENUMERATE_SUB_KEYS) || journal.SubKeyNames(guids))
        return pending;
    for (const std::wstring& guid : guids) {
        RegKey key;
        key.Open(api_, HKEY_CURRENT_USER, path_ + L"\\" + guid, KEY_QUERY_VALUE);
        const std::optional<JournalEntry::Operation> operation = OperationNamed(key.Text(kOperation));
        if (!operation || !IsGuidString(guid)) {
            End(guid);
            continue;
        }
        JournalEntry& entry = pending.emplace_back();
        entry.operation = *operation;
        entry.guid = guid;
        entry.entry = key.Text(L"Entry");
        entry.text = key.Text(L"Text");
        entry.earlier = key.Text(L"Earlier");
        entry.hive = key.Text(L"Hive") == L"user" ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
        RegKey values;
        if (values.Open(api_, HKEY_CURRENT_USER, path_ + L"\\" + guid + L"\\" + kValuesKey, KEY_QUERY_VALUE) ==
            ERROR_SUCCESS)
            values.Values(entry.values);
    }
    return pending;
}

std::wstring SettlePendingChanges(const ChangeJournal& journal, const ButtonKeys& keys,
                                  const MyButtonsCatalogue& catalogue) {
    std::wstring unsettled;
    for (const JournalEntry& change : journal.Pending()) {
        std::wstring left;
        switch (change.operation) {
        case JournalEntry::Operation::Create: left = SettleCreation(change, keys, catalogue); break;
        case JournalEntry::Operation::Save: left = SettleSave(change, keys, catalogue); break;
        case JournalEntry::Operation::Remove: left = SettleRemoval(change, keys, catalogue); break;
        }
        if (left.empty()) {
            journal.End(change.guid);
            continue;
        }
        unsettled += L"\n\nThe change of the button " + Quoted(change.entry.empty() ? change.guid : change.entry) +
                     L", which another copy of Barsmith did not finish, could not be finished:" + left;
    }
    return unsettled;
}

}  // namespace barsmith
