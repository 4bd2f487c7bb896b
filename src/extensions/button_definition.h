#pragma once
// One toolbar button of the browser and the registry key that describes it.
// The browser finds the button under
//   <RootKey>\Software\Microsoft\Internet Explorer\Extensions\<Guid>
// as a key of REG_SZ values only; this is the program's only contact with it.
#include <windows.h>

#include <string>
#include <vector>

#include "extensions/registry_api.h"

namespace barsmith {

inline constexpr wchar_t kExtensionsPath[] = L"Software\\Microsoft\\Internet Explorer\\Extensions";
// The class by which the browser recognises a button that starts a program;
// written exactly so, lower-case "d" included.
inline constexpr wchar_t kRunProgramButtonClsid[] = L"{1FBA04EE-3024-11d2-8F1F-0000F87ABD16}";

struct ButtonDefinition {
    std::wstring Guid;
    std::wstring Exec;
    std::wstring Icon;
    std::wstring HotIcon;  // optional
    std::wstring ButtonText;
    std::wstring MenuText;
    std::wstring MenuStatusBar;
    std::wstring ToolTip;
    bool DefaultVisible = true;
    HKEY RootKey = HKEY_LOCAL_MACHINE;
};

// HKEY_CURRENT_USER for a button of the current user only, else HKEY_LOCAL_MACHINE.
HKEY RootKeyFor(bool currentUserOnly);

struct ExtensionValue {
    const wchar_t* name;
    std::wstring text;
};

// The values of the button's key, in the order the browser documents them;
// "HotIcon" only when the button has a hot icon.
std::vector<ExtensionValue> ExtensionValues(const ButtonDefinition& button);

// The path of the button's key below its root.
std::wstring ExtensionKeyPath(const std::wstring& guid);
// "HKEY_LOCAL_MACHINE\Software\...\<guid>": the form DeleteKey takes and the
// form the user is shown.
std::wstring FullExtensionKeyPath(HKEY root, const std::wstring& guid);

// True for "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" with hexadecimal digits of
// either case. Only such a text is taken as a key name: a catalogue edited by
// hand must not lead the program to a key outside the button's own.
bool IsGuidString(const std::wstring& text);

// Where a button's key was found: the machine-wide hive is looked at first,
// then the current user's. `root` is 0 when the key is in neither; a key that
// exists but cannot be read counts as found, with `key` empty and the
// refusal in `status`.
struct ButtonKeyLocation {
    HKEY root = nullptr;
    RegKey key;
    LSTATUS status = ERROR_FILE_NOT_FOUND;
};
ButtonKeyLocation FindButtonKey(RegistryApi& api, const std::wstring& guid);

}  // namespace barsmith
