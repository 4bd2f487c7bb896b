#pragma once
// Whether the buttons and My Buttons agree, and whether what the buttons name
// is there: every finding one line, with the GUID and the entry it concerns.
#include <windows.h>

#include <string>
#include <vector>

#include "storage/key_index.h"
#include "storage/my_buttons_catalogue.h"

namespace barsmith {

struct Finding {
    enum class Kind {
        EntryWithoutKey,  // a My Buttons entry names no key of ours in any place (repaired: the entry goes)
        OneView,          // a machine-wide key in one registry view only (repaired: copied into the other)
        MissingValues,    // a key lacks values its kind always has
        MissingFile,      // a program, script or icon it names does not exist
        NoToolbarImage,   // an icon that holds no image that can be read
        Unlisted,         // a key of ours no entry names (repaired: listed under its text)
        SharedGuid,       // two entries name one key
        ViewsDiffer,      // a machine-wide key whose two registry views hold different values (repaired:
                          // the 32-bit view made as the 64-bit one)
        UnreadableKey,    // a key below Extensions that cannot be read, or whose name cannot
        JournalUnsound,   // the change journal cannot be written or kept (repaired: made anew)
        ToolbarSizeMissing,  // an icon without a 20x20 or a 16x16 image: the toolbar scales another one
    };
    Kind kind;
    std::wstring guid;
    std::wstring entry;  // the My Buttons entry concerned, if any
    bool repairable = false;
    // What exactly, as the kind has it:
    KeyPlace place{};    // OneView: the view that holds the key; MissingValues, UnreadableKey: the key
                         // (UnreadableKey without a GUID: a key below that place's Extensions whose name is too long)
    std::wstring value{};  // MissingFile, NoToolbarImage, ToolbarSizeMissing: the value that names the file
    std::wstring named{};  // ...the file as the value names it; Unlisted: the key's text; SharedGuid: the other entry
    std::vector<std::wstring> names{};  // MissingValues, ViewsDiffer: the values
    int size = 0;        // ToolbarSizeMissing: the size the icon lacks...
    int scaledSide = 0;  // ...and the side of the image the toolbar scales instead
    LSTATUS status = ERROR_SUCCESS;  // JournalUnsound: why
    bool machineWide = false;        // JournalUnsound: the machine-wide journal rather than the user's
};

// The finding of a change journal that cannot be kept for `status`.
Finding JournalFinding(bool machineWide, LSTATUS status);

// The sizes the browser's toolbar draws a button at: in its window, and full-screen.
inline constexpr int kToolbarSizes[] = {20, 16};

// The findings about the keys (read through `indexFile`, as the lists read
// them) and the catalogue, in the order of the keys' GUIDs. The caller holds
// the buttons lock.
std::vector<Finding> CheckButtons(RegistryApi& api, const MyButtonsCatalogue& catalogue,
                                  const std::wstring& indexFile);
// The same for the catalogue's `entries` as the caller read them last.
std::vector<Finding> CheckButtons(RegistryApi& api, const MyButtonsCatalogue& catalogue,
                                  std::vector<SettingsEntry> entries, const std::wstring& indexFile);

}  // namespace barsmith
