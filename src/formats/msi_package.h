#pragma once
// A Windows Installer package that installs buttons, built through the
// system's own installer (msi.dll, loaded at first use), so that it needs
// nothing else on any Windows computer. Each key place is a component of its
// own: a machine-wide key's 64-bit view a 64-bit component, its 32-bit view
// a 32-bit one (the installer redirects it to Wow6432Node), in an x64
// package installed per machine; a current user's key in a per-user package.
// Every package of a product name has the same UpgradeCode: installing a newer
// version removes the older one first, a same or older version is refused.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "formats/exported_entry.h"

namespace barsmith {

struct PackageDetails {
    std::wstring product;       // the name Programs and Features lists
    std::wstring version;       // "A.B.C", as IsPackageVersion takes it
    std::wstring manufacturer;  // its publisher
};

// True for three numbers the installer compares versions by: the first two
// at most 255, the third at most 65535, decimal digits only.
bool IsPackageVersion(const std::wstring& version);

// The UpgradeCode of every package of the product: derived from its name,
// case ignored, so that no file has to be kept between two exports.
std::wstring UpgradeCodeFor(const std::wstring& product);

// A GUID string derived from `name` in the program's own namespace (a
// name-based UUID, SHA-1): the same name always gives the same GUID.
std::wstring NameBasedGuid(const std::wstring& name);

// The first thing of the entries a package cannot carry: a value that is no
// whole text (the rows it would need differ from the value), an empty text
// (which the installer reads as "no value"), or a text of characters no code
// page the package can be written in holds together with the others.
std::optional<UnfitValue> FirstUnfitForPackage(const std::vector<ExportedEntry>& entries,
                                               const PackageDetails& details);

// The text as the installer's Formatted columns give it back: [ ] { }
// escaped, and a leading # doubled, which would otherwise make a number of it.
std::wstring InstallerText(std::wstring_view text);

// Builds the package into the file at `path` (an existing file is replaced),
// committed whole. ERROR_SUCCESS, or the installer's or system's code of the
// failure (ERROR_MOD_NOT_FOUND when there is no installer). The entries are
// those FirstUnfitForPackage finds nothing in, of one hive.
UINT BuildPackage(const std::wstring& path, const std::vector<ExportedEntry>& entries, const PackageDetails& details);

}  // namespace barsmith
