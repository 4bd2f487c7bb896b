#pragma once
// The My Buttons list as the window shows it: each entry with the button its
// key describes, where the key is and what the check finds about it. Read
// only, under the buttons lock, so that it never sees a change half done.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "model/button_definition.h"
#include "operations/health_check.h"
#include "storage/my_buttons_catalogue.h"

namespace barsmith {

struct MyButtonsRow {
    std::wstring entry;  // the catalogue entry, exactly as recorded
    std::wstring guid;   // as recorded: it may be no GUID at all
    HKEY hive = nullptr;  // the first hive that holds a key of ours; none when neither does
    ButtonDefinition button;  // as that key holds it: its kind, texts and icons
    std::vector<Finding::Kind> findings;  // what the check finds about the entry; none when all is well
};

// Every entry of My Buttons in the catalogue's order, the keys read through
// `indexFile` (key_index.h); nothing when the lock could not be had in time.
std::optional<std::vector<MyButtonsRow>> ReadMyButtonsRows(RegistryApi& api, const MyButtonsCatalogue& catalogue,
                                                           const std::wstring& indexFile);

}  // namespace barsmith
