#pragma once
// Every key below the browser's Extensions keys with its values, read fast:
// a file of the user's own keeps what the last reading found, with the time
// of each key's last change, and a key the registry says has not changed
// since is taken from the file instead of being opened and read again. With
// ten thousand buttons that turns twenty thousand keys read into twenty
// thousand names listed. Only lists and the check read through it; whatever
// changes the registry reads the keys themselves.
#include <windows.h>

#include <string>
#include <vector>

#include "model/button_definition.h"

namespace barsmith {

struct ScannedKey {
    KeyPlace place;
    std::wstring guid;                  // the key's name
    std::vector<RegistryValue> values;  // as the registry holds them
    bool readable = true;  // false: the key could not be opened or read; its name is empty
                           // when even that could not be read

    // The value's data as text, or the empty text when the key has no such value.
    std::wstring Text(const std::wstring& name) const;
};

// Every key below the Extensions key of each place, the machine-wide views
// first, with its values. `indexFile` is where the last reading is kept (none
// when empty): keys unchanged since it are taken from it, and it is written
// anew when anything changed. The file is believed only when it is sound:
// of this version, its checksum right, no larger than the keys it describes
// take, and taken in the past; else it is ignored and written anew.
std::vector<ScannedKey> ScanExtensionKeys(RegistryApi& api, const std::wstring& indexFile);

// The file that keeps the readings of the user running the program, below
// the user's local application data; empty when the system names no such folder.
std::wstring ButtonKeyIndexFile();

}  // namespace barsmith
