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

}  // namespace barsmith
