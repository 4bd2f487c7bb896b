#include "storage/key_index.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <optional>

#include "platform/names.h"
#include "storage/byte_record.h"
#include "platform/whole_file.h"

namespace barsmith {
namespace {

constexpr char kMagic[8] = {'B', 'S', 'M', 'K', 'E', 'Y', 'S', '2'};
// A change in the same tick of the clock as the reading that recorded the key
// would leave the same time: keys changed this shortly before a reading are
// read again the next time.
constexpr ULONGLONG kTrustAfter = 2ull * 10'000'000;  // two seconds, in 100 ns
// The file is read only while it is no larger than the keys it may describe
// take: a button's key holds a few hundred bytes, a stranger's a few more.
constexpr size_t kMostBytesPerKey = 16u << 10;
constexpr size_t kMostBytesBesides = 64u << 10;
// The least a recorded key and a recorded value take.
constexpr size_t kLeastKeyBytes = 1 + 4 + 8 + 4;
constexpr size_t kLeastValueBytes = 4 + 4 + 4;

ULONGLONG Ticks(FILETIME time) { return (ULONGLONG{time.dwHighDateTime} << 32) | time.dwLowDateTime; }

struct Recorded {
    ULONGLONG written;
    std::vector<RegistryValue> values;
};
using Index = std::map<std::pair<int, std::wstring>, Recorded>;  // by place and name

// The keys the file records, when it is sound: the right kind and version,
// its checksum right, taken before `now` and recording no change after it
// was taken. Nothing otherwise, and the file is written anew.
Index ReadIndex(const std::wstring& path, size_t mostBytes, ULONGLONG now, ULONGLONG& takenAt) {
    const std::optional<std::string> bytes = path.empty() ? std::nullopt : ReadWholeFile(path, mostBytes);
    if (!bytes) return {};
    RecordReader reader(*bytes);
    char magic[sizeof kMagic];
    if (!reader.Bytes(magic, sizeof magic) || memcmp(magic, kMagic, sizeof magic) != 0) return {};
    takenAt = reader.Number<ULONGLONG>();
    if (takenAt > now) return {};
    Index index;
    const auto keys = reader.Number<uint32_t>();
    for (uint32_t key = 0; reader.Fits(keys - key, kLeastKeyBytes) && key < keys; ++key) {
        const int place = reader.Number<uint8_t>();
        std::wstring name = reader.Text();
        Recorded recorded{reader.Number<ULONGLONG>(), {}};
        if (recorded.written > takenAt || place >= static_cast<int>(AllPlaces().size())) return {};
        const auto values = reader.Number<uint32_t>();
        for (uint32_t value = 0; reader.Fits(values - value, kLeastValueBytes) && value < values; ++value)
            recorded.values.push_back(reader.Value());
        if (!index.try_emplace({place, std::move(name)}, std::move(recorded)).second) return {};
    }
    if (!reader.ok || !reader.AtEnd()) return {};
    return index;
}

// The keys that could be read, with the times of their last change.
void WriteIndex(const std::wstring& path, ULONGLONG takenAt, const std::vector<ScannedKey>& keys,
                const std::vector<ULONGLONG>& written) {
    const std::vector<KeyPlace> places = AllPlaces();
    RecordWriter writer;
    writer.Bytes(kMagic, sizeof kMagic);
    writer.Number(takenAt);
    writer.Number(static_cast<uint32_t>(std::count_if(keys.begin(), keys.end(), [](const ScannedKey& key) {
        return key.readable;
    })));
    for (size_t i = 0; i < keys.size(); ++i) {
        const ScannedKey& key = keys[i];
        if (!key.readable) continue;
        writer.Number(static_cast<uint8_t>(std::find(places.begin(), places.end(), key.place) - places.begin()));
        writer.Text(key.guid);
        writer.Number(written[i]);
        writer.Number(static_cast<uint32_t>(key.values.size()));
        for (const RegistryValue& value : key.values) writer.Value(value);
    }
    // The folder may be missing, or the file be written by another copy meanwhile:
    // either way the next reading simply reads more keys. A folder that is a
    // link (which any program of the user could point into the system's own
    // folders) gets no file from a copy that may run as administrator.
    const std::wstring folder = path.substr(0, path.find_last_of(L'\\'));
    CreateDirectoryW(folder.c_str(), nullptr);
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return;
    WriteWholeFile(path, writer.Sealed());
}

// The sub-keys of each place's Extensions key, with the times of their last change.
struct PlaceKeys {
    int place;
    RegKey extensions;
    std::vector<RegKey::SubKey> subKeys;
    size_t unreadable = 0;
};

}  // namespace

std::wstring ScannedKey::Text(const std::wstring& name) const {
    for (const RegistryValue& value : values) {
        if (SameName(value.name, name)) return TextOf(value.data);
    }
    return {};
}

std::vector<ScannedKey> ScanExtensionKeys(RegistryApi& api, const std::wstring& indexFile) {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    const ULONGLONG takenAt = Ticks(now);
    const std::vector<KeyPlace> places = AllPlaces();
    std::vector<PlaceKeys> listed;
    size_t count = 0;
    for (int place = 0; place < static_cast<int>(places.size()); ++place) {
        PlaceKeys& keys = listed.emplace_back(PlaceKeys{place, {}, {}});
        if (keys.extensions.Open(api, places[place].root, kExtensionsPath,
                                 KEY_ENUMERATE_SUB_KEYS | places[place].view) ||
            keys.extensions.SubKeys(keys.subKeys, &keys.unreadable))
            keys.subKeys.clear();
        count += keys.subKeys.size();
    }
    ULONGLONG recordedAt = 0;
    Index recorded = ReadIndex(indexFile, kMostBytesBesides + count * kMostBytesPerKey, takenAt, recordedAt);
    size_t taken = 0;  // keys taken from the index
    bool changed = false;
    std::vector<ScannedKey> keys;
    std::vector<ULONGLONG> written;
    for (PlaceKeys& place : listed) {
        const KeyPlace where = places[place.place];
        for (RegKey::SubKey& subKey : place.subKeys) {
            ScannedKey& key = keys.emplace_back(ScannedKey{where, std::move(subKey.name), {}});
            const ULONGLONG changedAt = written.emplace_back(Ticks(subKey.written));
            const auto known = recorded.find({place.place, key.guid});
            if (known != recorded.end() && known->second.written == changedAt && changedAt + kTrustAfter < recordedAt) {
                key.values = std::move(known->second.values);
                ++taken;
            } else {
                // Opened from its parent: a path in the 32-bit view costs a call per part.
                RegKey opened;
                key.readable = opened.Open(api, place.extensions.get(), key.guid, KEY_QUERY_VALUE | where.view) ==
                                   ERROR_SUCCESS &&
                               opened.Values(key.values) == ERROR_SUCCESS;
                changed = true;
            }
        }
        // A sub-key whose name could not be read is known only by where it is.
        for (size_t i = 0; i < place.unreadable; ++i) {
            keys.push_back(ScannedKey{where, {}, {}, false});
            written.push_back(0);
        }
    }
    // Keys read afresh, or keys gone since: the index is written anew.
    if ((changed || taken != recorded.size()) && !indexFile.empty()) WriteIndex(indexFile, takenAt, keys, written);
    return keys;
}

std::wstring ButtonKeyIndexFile() {
    const DWORD needed = GetEnvironmentVariableW(L"LOCALAPPDATA", nullptr, 0);
    if (needed == 0) return {};
    std::wstring folder(needed, L'\0');
    const DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", folder.data(), needed);
    if (length == 0 || length >= needed) return {};
    folder.resize(length);
    return folder + L"\\Barsmith\\button keys.index";
}

}  // namespace barsmith
