#include "storage/key_index.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <optional>

#include "platform/names.h"
#include "platform/whole_file.h"

namespace barsmith {
namespace {

constexpr char kMagic[8] = {'B', 'S', 'M', 'K', 'E', 'Y', 'S', '1'};
// A change in the same tick of the clock as the reading that recorded the key
// would leave the same time: keys changed this shortly before a reading are
// read again the next time.
constexpr ULONGLONG kTrustAfter = 2ull * 10'000'000;  // two seconds, in 100 ns
constexpr size_t kMostIndexBytes = 256u << 20;

ULONGLONG Ticks(FILETIME time) { return (ULONGLONG{time.dwHighDateTime} << 32) | time.dwLowDateTime; }

struct Recorded {
    ULONGLONG written;
    std::vector<RegistryValue> values;
};
using Index = std::map<std::pair<int, std::wstring>, Recorded>;  // by place and name

class Writer {
public:
    void Bytes(const void* data, size_t size) { bytes.append(static_cast<const char*>(data), size); }
    template <typename T>
    void Number(T value) {
        Bytes(&value, sizeof value);
    }
    void Text(const std::wstring& text) {
        Number(static_cast<uint32_t>(text.size()));
        Bytes(text.data(), text.size() * sizeof(wchar_t));
    }
    std::string bytes;
};

// Reads what Writer wrote; any count or length past the end spoils the
// whole reading, so that a damaged file is only ever ignored.
class Reader {
public:
    explicit Reader(const std::string& bytes) : bytes_(bytes) {}
    bool Bytes(void* data, size_t size) {
        if (!ok || size > bytes_.size() - at_) return ok = false;
        memcpy(data, bytes_.data() + at_, size);
        at_ += size;
        return true;
    }
    template <typename T>
    T Number() {
        T value{};
        Bytes(&value, sizeof value);
        return value;
    }
    std::wstring Text() {
        const auto length = Number<uint32_t>();
        if (!ok || length > (bytes_.size() - at_) / sizeof(wchar_t)) {
            ok = false;
            return {};
        }
        std::wstring text(length, L'\0');
        Bytes(text.data(), length * sizeof(wchar_t));
        return text;
    }
    std::vector<BYTE> Data() {
        const auto length = Number<uint32_t>();
        if (!ok || length > bytes_.size() - at_) {
            ok = false;
            return {};
        }
        std::vector<BYTE> data(length);
        Bytes(data.data(), length);
        return data;
    }
    bool AtEnd() const { return at_ == bytes_.size(); }
    bool ok = true;

private:
    const std::string& bytes_;
    size_t at_ = 0;
};

// The keys the file records and when the reading began; nothing when it is
// missing or damaged.
Index ReadIndex(const std::wstring& path, ULONGLONG& takenAt) {
    Index index;
    const std::optional<std::string> bytes = path.empty() ? std::nullopt : ReadWholeFile(path, kMostIndexBytes);
    if (!bytes) return index;
    Reader reader(*bytes);
    char magic[sizeof kMagic];
    if (!reader.Bytes(magic, sizeof magic) || memcmp(magic, kMagic, sizeof magic) != 0) return {};
    takenAt = reader.Number<ULONGLONG>();
    for (auto keys = reader.Number<uint32_t>(); reader.ok && keys > 0; --keys) {
        const int place = reader.Number<uint8_t>();
        std::wstring name = reader.Text();
        Recorded& recorded = index[{place, std::move(name)}];
        recorded.written = reader.Number<ULONGLONG>();
        for (auto values = reader.Number<uint32_t>(); reader.ok && values > 0; --values) {
            RegistryValue value;
            value.name = reader.Text();
            value.type = reader.Number<uint32_t>();
            value.data = reader.Data();
            recorded.values.push_back(std::move(value));
        }
    }
    if (!reader.ok || !reader.AtEnd()) return {};
    return index;
}

// The keys that could be read, with the times of their last change.
void WriteIndex(const std::wstring& path, ULONGLONG takenAt, const std::vector<ScannedKey>& keys,
                const std::vector<ULONGLONG>& written) {
    const std::vector<KeyPlace> places = AllPlaces();
    Writer writer;
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
        for (const RegistryValue& value : key.values) {
            writer.Text(value.name);
            writer.Number(static_cast<uint32_t>(value.type));
            writer.Number(static_cast<uint32_t>(value.data.size()));
            writer.Bytes(value.data.data(), value.data.size());
        }
    }
    // The folder may be missing, or the file be written by another copy meanwhile:
    // either way the next reading simply reads more keys.
    CreateDirectoryW(path.substr(0, path.find_last_of(L'\\')).c_str(), nullptr);
    WriteWholeFile(path, writer.bytes);
}

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
    ULONGLONG recordedAt = 0;
    Index recorded = ReadIndex(indexFile, recordedAt);
    size_t taken = 0;  // keys taken from the index
    bool changed = false;
    std::vector<ScannedKey> keys;
    std::vector<ULONGLONG> written;
    const std::vector<KeyPlace> places = AllPlaces();
    for (int placeIndex = 0; placeIndex < static_cast<int>(places.size()); ++placeIndex) {
        const KeyPlace place = places[placeIndex];
        RegKey extensions;
        std::vector<RegKey::SubKey> subKeys;
        if (extensions.Open(api, place.root, kExtensionsPath, KEY_ENUMERATE_SUB_KEYS | place.view) ||
            extensions.SubKeys(subKeys))
            continue;
        for (RegKey::SubKey& subKey : subKeys) {
            ScannedKey& key = keys.emplace_back(ScannedKey{place, std::move(subKey.name), {}});
            const ULONGLONG changedAt = written.emplace_back(Ticks(subKey.written));
            const auto known = recorded.find({placeIndex, key.guid});
            if (known != recorded.end() && known->second.written == changedAt && changedAt + kTrustAfter < recordedAt) {
                key.values = std::move(known->second.values);
                ++taken;
            } else {
                // Opened from its parent: a path in the 32-bit view costs a call per part.
                RegKey opened;
                key.readable = opened.Open(api, extensions.get(), key.guid, KEY_QUERY_VALUE | place.view) ==
                                   ERROR_SUCCESS &&
                               opened.Values(key.values) == ERROR_SUCCESS;
                changed = true;
            }
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
