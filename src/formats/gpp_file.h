#pragma once
// The Registry preference items of Group Policy: the Registry.xml file a
// policy keeps in its Machine\Preferences\Registry folder (User\... for
// per-user settings), which the Group Policy Management Editor also takes by
// drag-and-drop or copy-and-paste. One folder (Collection) per entry, named
// by its text, and in it one item per value of each key, in every place the
// key is: a machine-wide key in the 32-bit view is named by its
// Software\Wow6432Node path, as Group Policy writes it on a 64-bit computer.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "formats/exported_entry.h"

namespace barsmith {

struct GroupPolicyOptions {
    // Action Replace with "Remove this item when it is no longer applied",
    // so that the buttons go with the policy; else action Update.
    bool removeWhenUnapplied = false;
    std::wstring changed;                 // "YYYY-MM-DD hh:mm:ss", UTC, as the console stamps items
    std::function<std::wstring()> newUid;  // a fresh GUID string for each item
};

// The first thing of the entries an XML file cannot hold, or that an item of
// type REG_SZ cannot give back byte for byte: a text that is no whole
// string, or a character XML 1.0 excludes (C0 controls but tab, CR and LF;
// U+FFFE, U+FFFF; a surrogate without its pair).
std::optional<UnfitValue> FirstUnfitForGroupPolicy(const std::vector<ExportedEntry>& entries);

// The whole file as UTF-8 bytes. The entries are those FirstUnfitForGroupPolicy
// finds nothing in.
std::string GroupPolicyFileBytes(const std::vector<ExportedEntry>& entries, const GroupPolicyOptions& options);

}  // namespace barsmith
