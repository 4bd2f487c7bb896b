// The index of the keys read last: a key the registry says has not changed
// since a reading at least a tick of the clock later comes from it; any other
// key, or every key of an index that is damaged or forged, is read again.
#include "storage/key_index.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "model/guid.h"
#include "platform/whole_file.h"
#include "storage/byte_record.h"
#include "support/extension_keys.h"
#include "support/fakes.h"

namespace barsmith {
namespace {

constexpr uint64_t kTick = 2ull * 10'000'000;  // the clock's tick the index allows for, in 100 ns

// One key as an index file records it.
struct Record {
    uint32_t place;
    std::wstring name;
    uint64_t written;
    std::vector<RegistryValue> values;
    uint32_t valueCount;  // as the file claims it
};

// An index file of these records, claiming `keyCount` of them, sealed with its checksum.
std::string Forged(const std::string& magic, uint64_t takenAt, const std::vector<Record>& records, uint32_t keyCount) {
    RecordWriter writer;
    writer.Bytes(magic.data(), magic.size());
    writer.Number(takenAt);
    writer.Number(keyCount);
    for (const Record& record : records) {
        writer.Number(static_cast<uint8_t>(record.place));
        writer.Text(record.name);
        writer.Number(record.written);
        writer.Number(record.valueCount);
        for (const RegistryValue& value : record.values) writer.Value(value);
    }
    return writer.Sealed();
}

std::string Resealed(std::string bytes) {
    bytes.resize(bytes.size() - 8);
    const uint64_t sum = Checksum(bytes.data(), bytes.size());
    return bytes.append(reinterpret_cast<const char*>(&sum), sizeof sum);
}

class KeyIndexTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::wstring path = ExtensionKeyPath(guid);
        RegSetKeyValueW(HKEY_CURRENT_USER, path.c_str(), L"ButtonText", REG_SZ, L"Registry", 18);
        SystemRegistry api;
        RegKey key;
        DWORD values = 0;
        FILETIME time{};
        ASSERT_FALSE(key.Open(api, HKEY_CURRENT_USER, path, KEY_READ) || key.Stamp(values, time));
        written = (uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
        const std::vector<KeyPlace> places = AllPlaces();
        userPlace = static_cast<uint32_t>(std::find(places.begin(), places.end(), KeyPlace{HKEY_CURRENT_USER, 0}) -
                                          places.begin());
        ASSERT_LT(userPlace, places.size());
    }
    void TearDown() override { std::filesystem::remove(index); }

    // The key as a reading through the index sees it, its key itself (and
    // `alsoRefused`) not to be opened: unreadable unless the index was believed for it.
    ScannedKey Scanned(const std::wstring& alsoRefused = {}) {
        testing::RecordingRegistry refusing;
        refusing.Refuse(testing::RegCall::Open, ERROR_ACCESS_DENIED, guid);
        if (!alsoRefused.empty()) refusing.Refuse(testing::RegCall::Open, ERROR_ACCESS_DENIED, alsoRefused);
        for (const ScannedKey& key : ScanExtensionKeys(refusing, index)) {
            if (key.guid == guid && key.place.root == HKEY_CURRENT_USER) return key;
        }
        ADD_FAILURE() << "the key was not listed";
        return {};
    }
    // Our key, as an index taken a tick and a moment after its last change
    // records it, under a name in another letter case than the registry's.
    Record Ours() const { return {userPlace, guid, written, {TextValue(L"BUTTONTEXT", L"Indexed")}, 1}; }
    std::string Sound(const std::vector<Record>& records) const {
        return Forged("BSMKEYS2", written + kTick + 1, records, static_cast<uint32_t>(records.size()));
    }

    testing::MadeKeys made;
    const std::wstring guid = made.Add(CreateGUID());
    const std::wstring index = (std::filesystem::temp_directory_path() / (L"index " + CreateGUID())).wstring();
    uint64_t written = 0;
    uint32_t userPlace = 0;
};

TEST_F(KeyIndexTest, AnUnchangedKeyComesFromTheIndexAndAnyOtherIsReadAgain) {
    Sleep(2100);  // the key's last change a tick of the clock in the past
    const auto record = [this](std::function<void(Record&)> change) {
        Record ours = Ours();
        change(ours);
        return Sound({ours});
    };
    const uint32_t places = static_cast<uint32_t>(AllPlaces().size());
    const struct {
        const char* name;
        std::string bytes;
        bool believed;
    } table[] = {
        {"unchanged since, value name in another case", Sound({Ours()}), true},
        {"read within a tick of its change", Forged("BSMKEYS2", written + kTick, {Ours()}, 1), false},
        {"changed a moment after the reading", record([](Record& r) { ++r.written; }), false},
        {"changed a moment before the reading", record([](Record& r) { --r.written; }), false},
        {"recorded in another place", record([](Record& r) { r.place = 0; }), false},
        {"taken in the future", Forged("BSMKEYS2", written + (uint64_t{1} << 40), {Ours()}, 1), false},
        {"another version", Forged("BSMKEYS1", written + kTick + 1, {Ours()}, 1), false},
        {"another key changed after it was taken", Sound({Ours(), {userPlace, CreateGUID(), written + kTick + 2, {}, 0}}),
         false},
        {"another key in the last place", Sound({{places - 1, CreateGUID(), written, {}, 0}, Ours()}), true},
        {"another key in no place", Sound({{places, CreateGUID(), written, {}, 0}, Ours()}), false},
        {"the key twice", Sound({Ours(), Ours()}), false},
        {"more keys than it holds", Forged("BSMKEYS2", written + kTick + 1, {Ours()}, 2), false},
        {"fewer keys than it holds", Forged("BSMKEYS2", written + kTick + 1, {Ours()}, 0), false},
        {"every key there may be", Forged("BSMKEYS2", written + kTick + 1, {Ours()}, 0xFFFFFFFF), false},
        {"more values than it holds", record([](Record& r) { r.valueCount = 2; }), false},
        {"fewer values than it holds", record([](Record& r) { r.valueCount = 0; }), false},
        {"every value there may be", record([](Record& r) { r.valueCount = 0xFFFFFFFF; }), false},
        {"empty", "", false},
        {"a checksum only", Resealed(std::string(8, '\0')), false},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.name);
        ASSERT_FALSE(WriteWholeFile(index, row.bytes));
        const ScannedKey key = Scanned();
        EXPECT_EQ(key.readable, row.believed);
        if (row.believed) {
            EXPECT_EQ(key.Text(L"ButtonText"), L"Indexed");
        }
    }

    // Damage at any byte, or a file cut short anywhere with its checksum made
    // right, so that its counts and lengths claim more than it holds.
    const std::string sound = Sound({Ours()});
    for (size_t at = 0; at < sound.size(); ++at) {
        SCOPED_TRACE(at);
        ASSERT_FALSE(WriteWholeFile(index, std::string(sound).replace(at, 1, 1, static_cast<char>(sound[at] ^ 0x10))));
        EXPECT_FALSE(Scanned().readable) << "a bit flipped";
        if (at + 8 >= sound.size()) continue;
        ASSERT_FALSE(WriteWholeFile(index, Resealed(sound.substr(0, at) + std::string(8, '\0'))));
        EXPECT_FALSE(Scanned().readable) << "cut short";
    }
    // A forgery larger than the keys it may describe take.
    std::string huge = sound;
    huge.insert(huge.size() - 8, 64u << 20, '\0');
    ASSERT_FALSE(WriteWholeFile(index, Resealed(huge)));
    EXPECT_FALSE(Scanned().readable) << "larger than its keys take";
}

// An index is written anew without a key that could not be read, or keys
// gone since; a damaged one is written anew.
TEST_F(KeyIndexTest, AnIndexIsWrittenAnewWithoutKeysGoneOrUnreadable) {
    const std::wstring unreadable = made.Add(CreateGUID());
    RegSetKeyValueW(HKEY_CURRENT_USER, ExtensionKeyPath(unreadable).c_str(), L"ButtonText", REG_SZ, L"U", 4);
    Sleep(2100);
    ASSERT_FALSE(WriteWholeFile(index, Sound({Ours()})));
    EXPECT_TRUE(Scanned(unreadable).readable);
    EXPECT_EQ(Scanned().Text(L"ButtonText"), L"Indexed") << "the index written anew is believed";

    // An index of every key there is, and of one gone since.
    SystemRegistry api;
    ScanExtensionKeys(api, index);
    std::string bytes = ReadWholeFile(index, 64u << 20).value_or(std::string(24, '\0'));
    bytes.resize(bytes.size() - 8);
    ++*reinterpret_cast<uint32_t*>(bytes.data() + 16);  // after the kind and the time it was taken
    const std::wstring gone = CreateGUID();
    RecordWriter record;
    record.Number(static_cast<uint8_t>(userPlace));
    record.Text(gone);
    record.Number(written);
    record.Number(uint32_t{0});
    ASSERT_FALSE(WriteWholeFile(index, Resealed(bytes + record.Sealed())));
    ScanExtensionKeys(api, index);
    const std::string goneBytes(reinterpret_cast<const char*>(gone.data()), gone.size() * sizeof(wchar_t));
    EXPECT_EQ(ReadWholeFile(index, 64u << 20).value_or(goneBytes).find(goneBytes), std::string::npos);

    ASSERT_FALSE(WriteWholeFile(index, "damaged"));
    ScanExtensionKeys(api, index);
    EXPECT_EQ(Scanned().Text(L"ButtonText"), L"Registry");
}

// A folder for the index that is a link (to the system's own folders, say)
// gets no file: an administrator's copy of the program would write it there.
TEST(KeyIndexFolderTest, AFolderThatIsALinkGetsNoIndex) {
    const std::filesystem::path target = std::filesystem::temp_directory_path() / (L"target " + CreateGUID());
    const std::filesystem::path linked = std::filesystem::temp_directory_path() / (L"linked " + CreateGUID());
    std::filesystem::create_directories(target);
    // Where the system writes no file through a folder link, there is nothing to see.
    if (!CreateSymbolicLinkW(linked.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY) ||
        !(GetFileAttributesW(linked.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT) ||
        WriteWholeFile((linked / L"probe").wstring(), "probe") || !std::filesystem::exists(target / L"probe")) {
        RemoveDirectoryW(linked.c_str());
        std::filesystem::remove_all(target);
        GTEST_SKIP() << "this system writes no file through a folder link";
    }
    SystemRegistry api;
    ScanExtensionKeys(api, (linked / L"button keys.index").wstring());
    EXPECT_FALSE(std::filesystem::exists(target / L"button keys.index"));
    RemoveDirectoryW(linked.c_str());
    std::filesystem::remove_all(target);
}

}  // namespace
}  // namespace barsmith
