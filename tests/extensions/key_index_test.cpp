// The index of the keys read last: a key the registry says has not changed
// comes from it, any other key, or every key of a damaged index, is read again.
#include "storage/key_index.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "model/guid.h"
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

    std::filesystem::resize_file(index, std::filesystem::file_size(index) - 1);
    EXPECT_FALSE(scanned().readable) << "a damaged index is no index";

    CopyFileW(trusted.c_str(), index.c_str(), FALSE);
    RegSetKeyValueW(HKEY_CURRENT_USER, path.c_str(), L"ButtonText", REG_SZ, L"New", 8);
    EXPECT_FALSE(scanned().readable) << "changed since the index was written: read again";
    std::filesystem::remove(index);
    std::filesystem::remove(trusted);
}

}  // namespace
}  // namespace barsmith
