#pragma once
// Reading the buttons without changing them: the lists of the command line. Each read runs under the buttons lock,
// so that it never sees a change of another copy of the program half done.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "storage/my_buttons_catalogue.h"
#include "storage/button_change.h"

namespace barsmith {

// One entry of My Buttons and where its key was found.
struct CatalogueButton {
    std::wstring text;
    std::wstring guid;
    HKEY hive = nullptr;  // the first hive that holds the key; none when neither does
};
// The entries in the catalogue's order; nothing when the lock could not be had in time.
// What settling another copy's changes found goes to `settled`, when given.
std::optional<std::vector<CatalogueButton>> ListCatalogueButtons(RegistryApi& api,
                                                                 const MyButtonsCatalogue& catalogue,
                                                                 SettleReport* settled = nullptr);

// One key under a hive's Extensions whose "CLSID" is the button class.
struct RegistryButton {
    std::wstring guid;  // the key's name
    HKEY hive = nullptr;
    bool view64 = false;  // for the machine-wide hive: the views that hold the key
    bool view32 = false;
    std::wstring buttonText;  // its "ButtonText" value (or "MenuText" for a menu item), from the first view
    bool catalogued = false;  // My Buttons has an entry naming it
};
// Every such key, sorted by name and the machine-wide hive first; nothing
// when the lock could not be had in time. `indexFile` keeps what the last
// reading found (key_index.h), none when empty.
std::optional<std::vector<RegistryButton>> ListRegistryButtons(RegistryApi& api, const MyButtonsCatalogue& catalogue,
                                                               const std::wstring& indexFile,
                                                               SettleReport* settled = nullptr);

}  // namespace barsmith
