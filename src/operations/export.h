#pragma once
// Exporting buttons to a file other computers take them from: a registry
// file, a Group Policy preference file or a Windows Installer package. Each
// carries only the buttons' own keys, every value byte for byte, in every
// place the key is; on any refusal or failure nothing is written and an
// earlier file of the name is left as it was. The outcome is data: the
// caller tells it.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "formats/exported_entry.h"
#include "formats/msi_package.h"
#include "platform/whole_file.h"
#include "storage/button_change.h"
#include "storage/my_buttons_catalogue.h"

namespace barsmith {

enum class ExportFormat { RegistryFile, GroupPolicy, Package };

// The format a file name's extension asks for (.reg, .xml, .msi, case
// ignored); nothing for another.
std::optional<ExportFormat> FormatOfFile(const std::wstring& path);

struct ExportRequest {
    std::vector<std::wstring> entries;  // My Buttons texts as listed; none: every entry
    std::wstring path;
    ExportFormat format = ExportFormat::RegistryFile;
    bool removeWhenUnapplied = false;  // Group Policy: the items go when the policy does
    PackageDetails package;            // the package's product, version and manufacturer
};

struct ExportOutcome {
    enum class Kind {
        Exported,
        Busy,        // another copy of the program held the lock too long
        Empty,       // My Buttons has no entry
        NotListed,   // `entry` is not in My Buttons
        NoGuid,      // `entry` names `guid`, which is no GUID string
        NoKey,       // `entry`'s button has no key in either hive
        Unreadable,  // `key` could not be read: `status`
        NotOurs,     // `key`, named by `entry`, is no button of this program's kind
        Unfit,       // `value` of `key` (or `entry`'s text) is what the format cannot carry: `why`
        MixedHives,  // the format takes one hive: `machineEntries` and `userEntries` name both
        FileFailed,  // the file could not be written: `file`
    };
    Kind kind = Kind::Exported;
    std::wstring entry;
    std::wstring guid;
    std::wstring key;  // the full path, from "HKEY_..." on
    LSTATUS status = ERROR_SUCCESS;
    std::wstring value;
    UnfitValue::Why why = UnfitValue::Why::Name;
    std::vector<std::wstring> machineEntries;
    std::vector<std::wstring> userEntries;
    FileError file;
    size_t exported = 0;  // the entries written, when Exported
    SettleReport settled{};  // what settling another copy's changes found first
};

ExportOutcome ExportButtons(RegistryApi& api, const MyButtonsCatalogue& catalogue, const ExportRequest& request);

}  // namespace barsmith
