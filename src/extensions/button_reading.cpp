#include "extensions/button_reading.h"

#include <algorithm>
#include <map>

#include "extensions/button_fields.h"
#include "extensions/buttons_lock.h"
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

// What the browser shows of the entry: its button text, or the menu text of
// a menu item with no button.
std::wstring ShownText(const RegKey& key) {
    std::wstring text = key.Text(L"ButtonText");
    return text.empty() ? key.Text(L"MenuText") : text;
}

std::map<std::wstring, bool, NameLess> CataloguedGuids(const MyButtonsCatalogue& catalogue) {
    std::map<std::wstring, bool, NameLess> guids;
    for (const std::wstring& text : catalogue.ButtonTexts()) guids[catalogue.GuidOf(text)] = true;
    return guids;
}

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
                                                                 const MyButtonsCatalogue& catalogue) {
    const ButtonsLock lock(api, catalogue);
    if (!lock.Held()) return std::nullopt;
    std::vector<CatalogueButton> buttons;
    for (const std::wstring& text : catalogue.ButtonTexts()) {
        CatalogueButton button{text, catalogue.GuidOf(text)};
        const std::vector<FoundKey> found = FindButtonKeys(api, button.guid);
        if (!found.empty()) button.hive = found.front().place.root;
        buttons.push_back(std::move(button));
    }
    return buttons;
}

std::optional<std::vector<RegistryButton>> ListRegistryButtons(RegistryApi& api,
                                                               const MyButtonsCatalogue& catalogue) {
    const ButtonsLock lock(api, catalogue);
    if (!lock.Held()) return std::nullopt;
    const auto catalogued = CataloguedGuids(catalogue);
    std::vector<RegistryButton> buttons;
    for (const KeyPlace place : AllPlaces()) {
        for (const std::wstring& name : ExtensionKeyNames(api, place)) {
            RegKey key;
            key.Open(api, place.root, ExtensionKeyPath(name), KEY_QUERY_VALUE | place.view);
            if (!IsRunProgramButton(key)) continue;
            auto same = std::find_if(buttons.begin(), buttons.end(), [&](const RegistryButton& b) {
                return b.hive == place.root && SameName(b.guid, name);
            });
            if (same == buttons.end()) {
                same = buttons.insert(buttons.end(),
                                      {name, place.root, false, false, ShownText(key),
                                       catalogued.contains(name)});
            }
            (place.view == KEY_WOW64_32KEY ? same->view32 : same->view64) = true;
        }
    }
    std::stable_sort(buttons.begin(), buttons.end(), [](const RegistryButton& a, const RegistryButton& b) {
        return CompareNames(a.guid, b.guid) < 0;
    });
    return buttons;
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
