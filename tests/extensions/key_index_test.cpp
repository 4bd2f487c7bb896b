// The index of the keys read last: a key the registry says has not changed
// comes from it, any other key, or every key of a damaged index, is read again.
#include "storage/key_index.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "model/guid.h"
#include "platform/whole_file.h"
#include "storage/byte_record.h"
#include "support/extension_keys.h"
#include "support/fakes.h"

namespace barsmith {
namespace {

TEST(KeyIndexTest, UnchangedKeysComeFromTheIndexAndChangedOnesOrADamagedIndexAreReadAgain) {
    testing::MadeKeys made;
    const std::wstring guid = made.Add(CreateGUID());
    const std::wstring path = ExtensionKeyPath(guid);
    RegSetKeyValueW(HKEY_CURRENT_USER, path.c_str(), L"ButtonText", REG_SZ, L"Old", 8);
    const std::filesystem::path index = std::filesystem::temp_directory_path() / (L"index " + CreateGUID());
    // The key as a reading sees it; its key itself cannot be opened.
    const auto scanned = [&] {
        testing::RecordingRegistry refusing;
        refusing.Refuse(testing::RegCall::Open, ERROR_ACCESS_DENIED, guid);
        for (const ScannedKey& key : ScanExtensionKeys(refusing, index.wstring())) {
            if (key.guid == guid && key.place.root == HKEY_CURRENT_USER) return key;
        }
        return ScannedKey{};
    };
    SystemRegistry api;
    ScanExtensionKeys(api, index.wstring());
    Sleep(2100);  // older than a tick of the clock before the next reading
    ScanExtensionKeys(api, index.wstring());
    const auto trusted = std::filesystem::temp_directory_path() / (L"trusted " + CreateGUID());
    std::filesystem::copy_file(index, trusted);
    EXPECT_EQ(scanned().Text(L"ButtonText"), L"Old") << "taken from the index";

    // Damage anywhere, or a forgery whose checksum is right but that was
    // taken in the future or is larger than the keys it may describe: no index.
    std::string bytes;
    {
        std::ifstream in(trusted, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    const auto resealed = [](std::string forged) {
        forged.resize(forged.size() - 8);
        const uint64_t sum = Checksum(forged.data(), forged.size());
        return forged.append(reinterpret_cast<const char*>(&sum), sizeof sum);
    };
    std::vector<std::pair<std::string, std::string>> damaged;
    for (size_t at = 0; at < bytes.size(); at += 1 + bytes.size() / 40)
        damaged.emplace_back("a bit flipped at " + std::to_string(at), std::string(bytes).replace(at, 1, 1, bytes[at] ^ 4));
    damaged.emplace_back("cut short", bytes.substr(0, bytes.size() - 1));
    damaged.emplace_back("taken in the future", resealed(std::string(bytes).replace(8, 8, 8, '\x7f')));
    std::string huge = bytes;
    huge.insert(huge.size() - 8, 64u << 20, '\0');
    damaged.emplace_back("larger than its keys take", resealed(huge));
    for (const auto& [name, forged] : damaged) {
        SCOPED_TRACE(name);
        std::ofstream(index, std::ios::binary | std::ios::trunc) << forged;
        EXPECT_FALSE(scanned().readable) << "a damaged index is no index";
    }

    CopyFileW(trusted.c_str(), index.c_str(), FALSE);
    RegSetKeyValueW(HKEY_CURRENT_USER, path.c_str(), L"ButtonText", REG_SZ, L"New", 8);
    EXPECT_FALSE(scanned().readable) << "changed since the index was written: read again";
    std::filesystem::remove(index);
    std::filesystem::remove(trusted);
}

// A folder for the index that is a link (to the system's own folders, say)
// gets no file: an administrator's copy of the program would write it there.
TEST(KeyIndexTest, AFolderThatIsALinkGetsNoIndex) {
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
