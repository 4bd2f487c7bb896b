#include "operations/button_reading.h"

#include <algorithm>
#include <map>
#include <set>

#include "model/button_fields.h"
#include "storage/button_change.h"
#include "storage/key_index.h"
#include "platform/names.h"
#include "platform/status_text.h"

namespace barsmith {
namespace {

// The names of the sub-keys of the place's Extensions key, as far as they can be read.
std::vector<std::wstring> ExtensionKeyNames(RegistryApi& api, KeyPlace place) {
    std::vector<std::wstring> names;
    RegKey extensions;
    if (extensions.Open(api, place.root, kExtensionsPath, KEY_ENUMERATE_SUB_KEYS | place.view) == ERROR_SUCCESS)
        extensions.SubKeyNames(names);
    return names;
}

// Keys by their name as the registry compares names, then by hive.
struct KeyOrder {
    bool operator()(const std::pair<std::wstring, bool>& a, const std::pair<std::wstring, bool>& b) const {
        const int names = CompareNames(a.first, b.first);
        return names != 0 ? names < 0 : a.second < b.second;
    }
};

// The sections of one button's keys, or the reason they cannot go into a file.
std::wstring AddKeysOf(RegistryApi& api, const std::wstring& entry, const std::wstring& guid,
                       std::vector<RegistryFileKey>& keys) {
    // Only a GUID string names a key in the file: no other name reaches it.
    if (!IsGuidString(guid))
        return L"My Buttons names no registry key for " + Quoted(entry) + L": " + Quoted(guid) + L" is no GUID.";
    const std::vector<FoundKey> found = FindButtonKeys(api, guid);
    if (found.empty()) return L"The button " + Quoted(entry) + L" has no registry key in either hive.";
    for (const FoundKey& place : found) {
        const std::wstring path = FullExtensionKeyPath(place.place, guid);
        LSTATUS status = place.status;
        std::vector<RegistryValue> values;
        if (place.key) values = ReadKeyValues(place.key, ExtensionValueNames(), status);
        if (status != ERROR_SUCCESS)
            return L"The registry key\n\n" + path + L"\n\ncould not be read: " + StatusText(status);
        if (!IsRunProgramButton(place.key))
            return L"The registry key\n\n" + path + L"\n\nthat My Buttons names for " + Quoted(entry) +
                   L" is no toolbar button made by Barsmith.";
        for (const RegistryValue& value : values) {
            // A line break or NUL in a name would end the line that names it,
            // and the rest would be read as lines of their own: keys and values
            // anywhere in the registry of whoever imports the file.
            if (!FitsRegistryFile(value.name))
                return L"The registry key\n\n" + path + L"\n\nholds the value " + Quoted(Escaped(value.name)) +
                       L", whose name no registry file can hold: it has a line break or a NUL character in it.";
        }
        keys.push_back({path, std::move(values)});
    }
    return {};
}

}  // namespace

std::optional<std::vector<CatalogueButton>> ListCatalogueButtons(RegistryApi& api,
                                                                 const MyButtonsCatalogue& catalogue,
                                                                 SettleReport* settled) {
    std::optional<std::vector<CatalogueButton>> buttons;
    Transaction transaction = RunLocked(api, catalogue, [&] {
        // The names below each place's Extensions key, one call each, rather
        // than three opened keys for every entry.
        std::map<std::wstring, HKEY, NameLess> keys;
        for (const KeyPlace place : AllPlaces()) {
            for (std::wstring& name : ExtensionKeyNames(api, place)) keys.try_emplace(std::move(name), place.root);
        }
        buttons.emplace();
        for (SettingsEntry& entry : catalogue.Entries()) {
            const auto found = IsGuidString(entry.value) ? keys.find(entry.value) : keys.end();
            const HKEY hive = found == keys.end() ? nullptr : found->second;
            buttons->push_back({std::move(entry.key), std::move(entry.value), hive});
        }
    });
    if (settled) *settled = std::move(transaction.settled);
    return buttons;
}

std::optional<std::vector<RegistryButton>> ListRegistryButtons(RegistryApi& api, const MyButtonsCatalogue& catalogue,
                                                               const std::wstring& indexFile,
                                                               SettleReport* settled) {
    std::optional<std::vector<RegistryButton>> listed;
    Transaction transaction = RunLocked(api, catalogue, [&] {
        std::set<std::wstring, NameLess> catalogued;
        for (SettingsEntry& entry : catalogue.Entries()) catalogued.insert(std::move(entry.value));
        // By name, then the machine-wide hive before the current user's.
        std::map<std::pair<std::wstring, bool>, RegistryButton, KeyOrder> buttons;
        for (const ScannedKey& key : ScanExtensionKeys(api, indexFile)) {
            if (!IsButtonClass(key.Text(L"CLSID"))) continue;
            const bool user = key.place.root == HKEY_CURRENT_USER;
            RegistryButton& button = buttons[{key.guid, user}];
            if (button.guid.empty()) {
                const std::wstring text = key.Text(L"ButtonText");
                button = {key.guid, key.place.root, false, false, text.empty() ? key.Text(L"MenuText") : text,
                          catalogued.contains(key.guid)};
            }
            (key.place.view == KEY_WOW64_32KEY ? button.view32 : button.view64) = true;
        }
        listed.emplace();
        for (auto& [where, button] : buttons) listed->push_back(std::move(button));
    });
    if (settled) *settled = std::move(transaction.settled);
    return listed;
}

ExportKeys CollectExportKeys(RegistryApi& api, const MyButtonsCatalogue& catalogue,
                             const std::vector<std::wstring>& entries) {
    const std::vector<std::wstring> texts = entries.empty() ? catalogue.ButtonTexts() : entries;
    if (texts.empty()) return {{}, L"My Buttons is empty: there is no button to export."};
    ExportKeys exported;
    std::map<std::wstring, bool, NameLess> done;
    for (const std::wstring& text : texts) {
        const std::optional<std::wstring> guid = catalogue.Lookup(text);
        if (!guid) return {{}, Quoted(text) + L" is not in My Buttons."};
        if (done.contains(*guid)) continue;  // named twice, or by two entries
        done[*guid] = true;
        if (std::wstring refusal = AddKeysOf(api, text, *guid, exported.keys); !refusal.empty())
            return {{}, std::move(refusal)};
    }
    return exported;
}

}  // namespace barsmith
