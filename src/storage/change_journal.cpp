#include "storage/change_journal.h"

#include <algorithm>
#include <optional>

#include "model/button_fields.h"
#include "platform/names.h"
#include "platform/user_account.h"
#include "storage/byte_record.h"
#include "storage/settings_store.h"

namespace barsmith {
namespace {

constexpr wchar_t kJournalSection[] = L"Journal";
constexpr char kMagic[4] = {'B', 'S', 'M', 'J'};
constexpr uint32_t kVersion = 1;
// A change of one button is a few kilobytes at most; more notes than this
// are more than any number of copies of the program ever leaves.
constexpr size_t kMostNoteBytes = 64u << 10;
constexpr size_t kMostNotes = 64;
// A change that fails this often is given up, and told so once.
constexpr uint32_t kMostAttempts = 3;

std::string Sealed(const PendingChange& pending) {
    const Change& change = pending.change;
    RecordWriter writer;
    writer.Bytes(kMagic, sizeof kMagic);
    writer.Number(kVersion);
    writer.Number(static_cast<uint8_t>(change.kind));
    writer.Text(change.guid);
    writer.Text(change.entry);
    writer.Text(change.text);
    writer.Text(change.earlier);
    writer.Number(static_cast<uint8_t>(change.hive == HKEY_CURRENT_USER));
    writer.Number(pending.attempts);
    writer.Number(static_cast<uint32_t>(change.values.size()));
    for (const RegistryValue& value : change.values) writer.Value(value);
    return writer.Sealed();
}

// Only the values of a button, as text: nothing else is ever written from a note.
bool ButtonValues(const std::vector<RegistryValue>& values) {
    const std::vector<std::wstring> names = ExtensionValueNames();
    return std::all_of(values.begin(), values.end(), [&](const RegistryValue& value) {
        return value.type == REG_SZ &&
               std::any_of(names.begin(), names.end(), [&](const std::wstring& name) { return name == value.name; });
    });
}

// The change a note holds, when it is a sound note of this button's.
std::optional<PendingChange> Unsealed(const std::string& bytes, const std::wstring& name, JournalPlace place) {
    RecordReader reader(bytes);
    char magic[sizeof kMagic];
    if (!reader.Bytes(magic, sizeof magic) || memcmp(magic, kMagic, sizeof magic) != 0 ||
        reader.Number<uint32_t>() != kVersion)
        return std::nullopt;
    PendingChange pending{{}, place};
    Change& change = pending.change;
    const auto kind = reader.Number<uint8_t>();
    change.kind = static_cast<Change::Kind>(kind);
    change.guid = reader.Text();
    change.entry = reader.Text();
    change.text = reader.Text();
    change.earlier = reader.Text();
    const auto user = reader.Number<uint8_t>();
    change.hive = user ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
    pending.attempts = reader.Number<uint32_t>();
    const auto values = reader.Number<uint32_t>();
    for (uint32_t i = 0; reader.Fits(values - i, 12) && i < values; ++i) change.values.push_back(reader.Value());
    if (!reader.ok || !reader.AtEnd() || kind > static_cast<uint8_t>(Change::Kind::Remove) || user > 1 ||
        !IsGuidString(change.guid) || change.guid != name || !(change.earlier.empty() || IsGuidString(change.earlier)) ||
        !ButtonValues(change.values))
        return std::nullopt;
    return pending;
}

// A note kept with the user's settings is written by whoever runs as the
// user: it is carried out only where the user could make the change alone.
bool InItsPlace(const PendingChange& pending) {
    return pending.place == JournalPlace::Machine || pending.change.kind == Change::Kind::Remove ||
           pending.change.hive == HKEY_CURRENT_USER;
}

// Deletes `path` and every key below it, each key itself, never what a link names.
LSTATUS DeleteTree(RegistryApi& api, HKEY root, const std::wstring& path, REGSAM view, int depth = 0) {
    RegKey key;
    std::vector<std::wstring> names;
    if (key.Open(api, root, path, KEY_ENUMERATE_SUB_KEYS | view) == ERROR_SUCCESS && depth < 8 &&
        key.SubKeyNames(names) == ERROR_SUCCESS) {
        for (const std::wstring& name : names) DeleteTree(api, root, path + L"\\" + name, view, depth + 1);
    }
    key.Close();
    return api.DeleteKey(root, path, view);
}

}  // namespace

ChangeJournal::ChangeJournal(RegistryApi& api, const std::wstring& application)
    : api_(api),
      userPath_(SectionPath(application, kJournalSection)),
      machinePath_(SectionPath(application, kJournalSection) + L"\\" + CurrentUserSid()) {}

HKEY ChangeJournal::Root(JournalPlace place) const {
    return place == JournalPlace::Machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

std::wstring ChangeJournal::Path(JournalPlace place) const {
    return place == JournalPlace::Machine ? machinePath_ : userPath_;
}

// The program runs in the 64-bit view of its own; the 32-bit view is no
// less an administrator's, so a 32-bit build keeps its journal there.
REGSAM ChangeJournal::View(JournalPlace) const { return 0; }

LSTATUS ChangeJournal::Write(const PendingChange& pending) const {
    RegKey key;
    if (const LSTATUS status = key.Create(api_, Root(pending.place), Path(pending.place), KEY_SET_VALUE | View(pending.place)))
        return status;
    const std::string bytes = Sealed(pending);
    if (bytes.size() > kMostNoteBytes) return ERROR_INVALID_DATA;
    return key.Write({pending.change.guid, REG_BINARY, std::vector<BYTE>(bytes.begin(), bytes.end())});
}

LSTATUS ChangeJournal::Begin(const Change& change, JournalPlace place) const {
    // A note of the other place would be carried out after this change.
    End(change.guid, place == JournalPlace::Machine ? JournalPlace::User : JournalPlace::Machine);
    return Write({change, place});
}

LSTATUS ChangeJournal::Retried(const PendingChange& pending) const {
    PendingChange again = pending;
    ++again.attempts;
    return Write(again);
}

void ChangeJournal::End(const std::wstring& guid, JournalPlace place) const {
    RegKey key;
    if (key.Open(api_, Root(place), Path(place), KEY_SET_VALUE | View(place)) == ERROR_SUCCESS) key.DeleteValue(guid);
}

std::vector<PendingChange> ChangeJournal::Pending(std::vector<IgnoredNote>& ignored) const {
    std::vector<PendingChange> pending;
    for (const JournalPlace place : {JournalPlace::Machine, JournalPlace::User}) {
        RegKey key;
        std::vector<RegistryValue> notes;
        if (key.Open(api_, Root(place), Path(place), KEY_QUERY_VALUE | KEY_SET_VALUE | View(place)) != ERROR_SUCCESS &&
            key.Open(api_, Root(place), Path(place), KEY_QUERY_VALUE | View(place)) != ERROR_SUCCESS)
            continue;
        key.Values(notes);
        for (size_t i = 0; i < notes.size(); ++i) {
            const RegistryValue& note = notes[i];
            std::optional<PendingChange> change;
            IgnoredNote::Why why = IgnoredNote::Why::Damaged;
            if (note.data.size() > kMostNoteBytes || i >= kMostNotes) {
                why = IgnoredNote::Why::TooLarge;
            } else if (note.type == REG_BINARY) {
                change = Unsealed(std::string(note.data.begin(), note.data.end()), note.name, place);
                if (change && !InItsPlace(*change)) why = IgnoredNote::Why::NotItsPlace, change.reset();
                if (change && change->attempts >= kMostAttempts) why = IgnoredNote::Why::GivenUp, change.reset();
            }
            if (change) {
                pending.push_back(std::move(*change));
                continue;
            }
            ignored.push_back({why, place, note.name});
            key.DeleteValue(note.name);
        }
    }
    return pending;
}

LSTATUS ChangeJournal::Health(JournalPlace place) const {
    RegKey key;
    LSTATUS status = key.Open(api_, Root(place), Path(place), KEY_SET_VALUE | KEY_CREATE_SUB_KEY | View(place));
    if (status == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
    if (status != ERROR_SUCCESS) return status;
    // A key the session made volatile takes no lasting sub-key, and keeps no note past the session.
    const std::wstring probe = Path(place) + L"\\~probe";
    RegKey made;
    status = made.Create(api_, Root(place), probe, KEY_QUERY_VALUE | View(place));
    made.Close();
    if (status == ERROR_SUCCESS) api_.DeleteKey(Root(place), probe, View(place));
    return status;
}

LSTATUS ChangeJournal::Recreate(JournalPlace place) const {
    const LSTATUS status = DeleteTree(api_, Root(place), Path(place), View(place));
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) return status;
    RegKey key;
    return key.Create(api_, Root(place), Path(place), KEY_SET_VALUE | View(place));
}

}  // namespace barsmith
