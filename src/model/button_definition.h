#pragma once
// One toolbar button of the browser and the registry key that describes it.
// The browser finds the button under
//   <RootKey>\Software\Microsoft\Internet Explorer\Extensions\<Guid>
// as a key of REG_SZ values only; this is the program's only contact with it.
#include <windows.h>

#include <string>
#include <vector>

#include "platform/registry_key.h"

namespace barsmith {

inline constexpr wchar_t kExtensionsPath[] = L"Software\\Microsoft\\Internet Explorer\\Extensions";
// The class by which the browser recognises a button that starts a program;
// written exactly so, lower-case "d" included.
inline constexpr wchar_t kRunProgramButtonClsid[] = L"{1FBA04EE-3024-11d2-8F1F-0000F87ABD16}";

// One entry of the browser's: a toolbar button with its menu item, or a menu
// item only, that starts a program or runs a script. Which values its key
// holds is the table of button_fields.h's.
struct ButtonDefinition {
    std::wstring guid;
    std::wstring exec;        // the program it starts, or the script it runs
    std::wstring icon;
    std::wstring hotIcon;     // optional
    std::wstring buttonText;  // also its name in My Buttons
    std::wstring menuText;
    std::wstring menuStatusBar;
    std::wstring toolTip;
    bool defaultVisible = true;
    HKEY rootKey = HKEY_LOCAL_MACHINE;
    bool script = false;    // `exec` is a script, not a program
    bool menuOnly = false;  // a menu item with no toolbar button
    bool helpMenu = false;  // the item is in the Help menu, not the Tools menu
};

// HKEY_CURRENT_USER for a button of the current user only, else HKEY_LOCAL_MACHINE.
HKEY RootKeyFor(bool currentUserOnly);

// The path of the button's key below its root.
std::wstring ExtensionKeyPath(const std::wstring& guid);

// One place a button's key can be: a hive, and for the machine-wide hive one
// of its two registry views. 64-bit programs read the 64-bit view, 32-bit ones
// (the 32-bit browser) the 32-bit view, kept below Software\Wow6432Node; the
// current user's Software is one for both.
struct KeyPlace {
    HKEY root;
    REGSAM view;  // 0, KEY_WOW64_64KEY or KEY_WOW64_32KEY
    bool operator==(const KeyPlace&) const = default;
};
// Where a button of `root` is written: both views of the machine-wide hive,
// or the current user's hive.
std::vector<KeyPlace> PlacesFor(HKEY root);
// Every place a button's key may be, the machine-wide ones first.
std::vector<KeyPlace> AllPlaces();
// "HKEY_LOCAL_MACHINE\Software\...\<guid>", with Wow6432Node in the path of
// the 32-bit view: the form the user is shown and a registry file names.
std::wstring FullExtensionKeyPath(KeyPlace place, const std::wstring& guid);
std::wstring FullExtensionKeyPath(HKEY root, const std::wstring& guid);

// True for "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" with hexadecimal digits of
// either case. Only such a text is taken as a key name: a catalogue edited by
// hand must not lead the program to a key outside the button's own.
bool IsGuidString(const std::wstring& text);
// Two GUID strings name the same key whatever the case of their digits.
bool SameGuid(const std::wstring& a, const std::wstring& b);

// A place where a button's key was found, opened for reading; `key` is empty
// when the key exists but cannot be read, with the refusal in `status`.
struct FoundKey {
    KeyPlace place;
    RegKey key;
    LSTATUS status = ERROR_SUCCESS;
};
// Every place that holds the key of `guid`, in the order of AllPlaces; none
// for a text that is no GUID string.
std::vector<FoundKey> FindButtonKeys(RegistryApi& api, const std::wstring& guid);

// Finds the keys of many buttons, as FindButtonKeys does for one. The
// Extensions key of every place is opened once, a part at a time as every
// key is, and each button's key below it: one open for a button, not one
// for every part of its path.
class ButtonKeyFinder {
public:
    explicit ButtonKeyFinder(RegistryApi& api);
    std::vector<FoundKey> Find(const std::wstring& guid) const;

private:
    struct Extensions {
        KeyPlace place;
        RegKey key;
        LSTATUS status;
    };
    RegistryApi& api_;
    std::vector<Extensions> extensions_;  // the places that have the key, or could not tell
};

// True when the open key is a button of the kind this program makes: its
// "CLSID" value names the class of buttons that start a program.
bool IsRunProgramButton(const RegKey& key);
// The same of a key's values, as read.
bool IsRunProgramButton(const std::vector<RegistryValue>& values);
// True for that class's GUID, in any case.
bool IsButtonClass(const std::wstring& clsid);

}  // namespace barsmith
