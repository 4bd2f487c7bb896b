#include "operations/my_buttons_rows.h"

#include <map>

#include "model/button_fields.h"
#include "storage/button_change.h"
#include "storage/key_index.h"
#include "platform/names.h"

namespace barsmith {

namespace {

std::vector<MyButtonsRow> ReadRows(RegistryApi& api, const MyButtonsCatalogue& catalogue,
                                   const std::wstring& indexFile) {
    // The catalogue read once for both: with thousands of entries that is the
    // longest part. The check reads the keys through the index first; the
    // second reading finds them all unchanged and opens none.
    std::vector<SettingsEntry> entries = catalogue.Entries();
    const std::vector<Finding> findings = CheckButtons(api, catalogue, entries, indexFile);
    const std::vector<ScannedKey> keys = ScanExtensionKeys(api, indexFile);
    std::map<std::wstring, const ScannedKey*, NameLess> ours;  // the first place of each GUID, machine-wide first
    for (const ScannedKey& key : keys) {
        if (key.readable && IsButtonClass(key.Text(L"CLSID"))) ours.try_emplace(key.guid, &key);
    }
    std::map<std::wstring, std::vector<Finding::Kind>, NameLess> byEntry;
    for (const Finding& finding : findings) {
        if (!finding.entry.empty()) byEntry[finding.entry].push_back(finding.kind);
    }
    std::vector<MyButtonsRow> rows;
    for (SettingsEntry& entry : entries) {
        MyButtonsRow row;
        row.entry = std::move(entry.key);
        row.guid = std::move(entry.value);
        const auto key = IsGuidString(row.guid) ? ours.find(row.guid) : ours.end();
        if (key != ours.end()) {
            row.hive = key->second->place.root;
            row.button = EntryFromValues(key->second->values, row.guid, row.hive, row.entry);
        }
        if (const auto found = byEntry.find(row.entry); found != byEntry.end()) row.findings = found->second;
        rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace

std::optional<std::vector<MyButtonsRow>> ReadMyButtonsRows(RegistryApi& api, const MyButtonsCatalogue& catalogue,
                                                           const std::wstring& indexFile) {
    std::optional<std::vector<MyButtonsRow>> rows;
    RunLocked(api, catalogue, [&] { rows = ReadRows(api, catalogue, indexFile); });
    return rows;
}

}  // namespace barsmith
