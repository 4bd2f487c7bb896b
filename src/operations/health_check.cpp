#include "operations/health_check.h"

#include <algorithm>
#include <map>

#include "model/button_fields.h"
#include "pictures/picture_file.h"
#include "platform/names.h"
#include "platform/status_text.h"

namespace barsmith {
namespace {

using Kind = Finding::Kind;

// A GUID's keys of this program's kind, and the entries naming it.
struct Button {
    std::vector<const ScannedKey*> keys;
    std::vector<std::wstring> entries;
};

std::wstring Expanded(const std::wstring& path) {
    const DWORD needed = ExpandEnvironmentStringsW(path.c_str(), nullptr, 0);
    if (needed == 0) return path;
    std::wstring expanded(needed, L'\0');
    const DWORD length = ExpandEnvironmentStringsW(path.c_str(), expanded.data(), needed);
    if (length == 0 || length > needed) return path;
    expanded.resize(length - 1);
    return expanded;
}

// The sizes the browser's toolbar draws a button at: in its window, and full-screen.
constexpr int kToolbarSizes[] = {20, 16};

bool FileExists(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(Expanded(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// What is wrong with the files one key names, each file looked at once for all buttons.
class FileChecks {
public:
    void Check(const ScannedKey& key, const std::wstring& entry, std::vector<Finding>& findings) {
        // The values that name a file: the program or script, and the icons.
        for (const ButtonField& row : ButtonFields()) {
            if (row.field != FieldId::Path && row.field != FieldId::Icon && row.field != FieldId::HotIcon) continue;
            const wchar_t* value = row.value;
            const std::wstring named = key.Text(value);
            if (named.empty()) continue;
            const bool icon = row.field != FieldId::Path;
            const std::wstring path = icon ? ParseIconLocation(named).path : named;
            if (!Exists(path)) {
                findings.push_back({Kind::MissingFile, key.guid, entry, std::wstring(value) + L": " + named +
                                                                            L" does not exist"});
            } else if (icon && !DrawnOnToolbar(named)) {
                findings.push_back({Kind::NoToolbarImage, key.guid, entry,
                                    std::wstring(value) + L": " + named + L" holds no image the toolbar could show"});
            } else if (icon) {
                if (const std::wstring& missing = MissingToolbarSize(named); !missing.empty())
                    findings.push_back({Kind::ToolbarSizeMissing, key.guid, entry,
                                        std::wstring(value) + L": " + named + L" has " + missing});
            }
        }
    }

private:
    bool Exists(const std::wstring& path) {
        const auto [at, added] = exists_.try_emplace(path, false);
        if (added) at->second = FileExists(path);
        return at->second;
    }
    bool DrawnOnToolbar(const std::wstring& location) {
        const auto [at, added] = drawn_.try_emplace(location, false);
        if (added) {
            const auto sides = PictureImageSides(Expanded(location));
            at->second = sides && !sides->empty();
        }
        return at->second;
    }
    // "no 20 x 20 image: the toolbar will scale the 32 x 32 one", or empty
    // when the icon has an image of each size the toolbar draws.
    const std::wstring& MissingToolbarSize(const std::wstring& location) {
        const auto [at, added] = missingSize_.try_emplace(location);
        for (const int size : kToolbarSizes) {
            const std::optional<ImageForSize> image = added ? PictureImageFor(Expanded(location), size) : std::nullopt;
            if (image && !image->exact) {
                at->second = MissingSizeText(size, image->side);
                break;
            }
        }
        return at->second;
    }
    std::map<std::wstring, bool, NameLess> exists_;
    std::map<std::wstring, std::wstring> missingSize_;
    std::map<std::wstring, bool> drawn_;
};

// The text a key left without an entry is listed under, if it makes a sound
// entry that no other entry has.
bool ListableUnder(const std::wstring& text, const MyButtonsCatalogue& catalogue) {
    ButtonDefinition named;
    named.buttonText = text;
    return !text.empty() && !FirstTextProblem(named) && !catalogue.Lookup(text);
}

// The names of the values in which the two machine-wide views of a button
// differ, as one text; empty when they agree or the button is not in both.
std::wstring DifferingValues(const Button& button) {
    const ScannedKey* views[2] = {};
    for (const ScannedKey* key : button.keys) {
        if (key->place.root == HKEY_LOCAL_MACHINE) views[key->place.view == KEY_WOW64_32KEY] = key;
    }
    if (!views[0] || !views[1]) return {};
    std::map<std::wstring, const RegistryValue*, NameLess> names[2];
    for (int view = 0; view < 2; ++view) {
        for (const RegistryValue& value : views[view]->values) names[view][value.name] = &value;
    }
    std::map<std::wstring, bool, NameLess> differ;
    for (int view = 0; view < 2; ++view) {
        for (const auto& [name, value] : names[view]) {
            const auto other = names[1 - view].find(name);
            if (other == names[1 - view].end() || other->second->type != value->type ||
                other->second->data != value->data)
                differ[name] = true;
        }
    }
    std::wstring listed;
    for (const auto& [name, unused] : differ) listed += (listed.empty() ? L"" : L", ") + Escaped(name);
    return listed;
}

void CheckKeys(const std::wstring& guid, const Button& button, const MyButtonsCatalogue& catalogue, FileChecks& files,
               std::vector<Finding>& findings) {
    const std::wstring entry = button.entries.empty() ? std::wstring() : button.entries.front();
    const auto inView = [&](REGSAM view) {
        return std::any_of(button.keys.begin(), button.keys.end(), [&](const ScannedKey* key) {
            return key->place.root == HKEY_LOCAL_MACHINE && key->place.view == view;
        });
    };
    if (inView(KEY_WOW64_64KEY) != inView(KEY_WOW64_32KEY)) {
        findings.push_back({Kind::OneView, guid, entry,
                            inView(KEY_WOW64_64KEY) ? L"only in the 64-bit view of HKEY_LOCAL_MACHINE"
                                                    : L"only in the 32-bit view of HKEY_LOCAL_MACHINE",
                            true});
    }
    if (const std::wstring differ = DifferingValues(button); !differ.empty())
        findings.push_back({Kind::ViewsDiffer, guid, entry, L"the 64-bit and 32-bit views differ in " + differ, true});
    for (const ScannedKey* key : button.keys) {
        std::wstring missing;
        for (const std::wstring& name : MissingValues(key->values)) missing += (missing.empty() ? L"" : L", ") + name;
        if (!missing.empty())
            findings.push_back({Kind::MissingValues, guid, entry,
                                FullExtensionKeyPath(key->place, guid) + L" lacks " + missing});
    }
    const ScannedKey& first = *button.keys.front();
    if (button.entries.empty()) {
        std::wstring text = first.Text(L"ButtonText");
        if (text.empty()) text = first.Text(L"MenuText");
        findings.push_back({Kind::Unlisted, guid, {},
                            L"no entry of My Buttons names it; its text is " + Quoted(Escaped(text)),
                            ListableUnder(text, catalogue)});
    }
    files.Check(first, entry, findings);
}

}  // namespace

std::wstring MissingSizeText(int size, int scaledSide) {
    const auto square = [](int side) { return std::to_wstring(side) + L"\u00D7" + std::to_wstring(side); };
    return L"no " + square(size) + L" image: the toolbar will scale the " + square(scaledSide) + L" one";
}

Finding JournalFinding(bool machineWide, LSTATUS status) {
    return {Kind::JournalUnsound, {}, {},
            std::wstring(machineWide ? L"the machine-wide" : L"the user's") + L" change journal cannot be kept: " +
                (status == kKeyIsLink ? L"it is a registry link" : StatusText(status)),
            true, machineWide};
}

const wchar_t* KindName(Finding::Kind kind) {
    switch (kind) {
    case Kind::EntryWithoutKey: return L"entry-without-key";
    case Kind::OneView: return L"one-view";
    case Kind::MissingValues: return L"missing-values";
    case Kind::MissingFile: return L"missing-file";
    case Kind::NoToolbarImage: return L"no-toolbar-image";
    case Kind::Unlisted: return L"unlisted";
    case Kind::SharedGuid: return L"shared-guid";
    case Kind::ViewsDiffer: return L"views-differ";
    case Kind::UnreadableKey: return L"unreadable-key";
    case Kind::JournalUnsound: return L"journal";
    case Kind::ToolbarSizeMissing: return L"toolbar-size-missing";
    }
    return L"";
}

std::vector<Finding> CheckButtons(RegistryApi& api, const MyButtonsCatalogue& catalogue,
                                  const std::wstring& indexFile) {
    return CheckButtons(api, catalogue, catalogue.Entries(), indexFile);
}

std::vector<Finding> CheckButtons(RegistryApi& api, const MyButtonsCatalogue& catalogue,
                                  std::vector<SettingsEntry> entries, const std::wstring& indexFile) {
    const std::vector<ScannedKey> keys = ScanExtensionKeys(api, indexFile);
    std::map<std::wstring, Button, NameLess> buttons;
    std::vector<Finding> findings;
    for (const ScannedKey& key : keys) {
        if (key.readable && IsButtonClass(key.Text(L"CLSID"))) buttons[key.guid].keys.push_back(&key);
        if (!key.readable) {
            std::wstring where = FullExtensionKeyPath(key.place, key.guid);
            if (key.guid.empty()) where.pop_back();  // the Extensions key itself, without the last backslash
            findings.push_back({Kind::UnreadableKey, key.guid, {},
                                key.guid.empty() ? L"a key below " + where + L" has a name too long to be read"
                                                 : where + L" cannot be read"});
        }
    }
    for (SettingsEntry& entry : entries) {
        const auto found = IsGuidString(entry.value) ? buttons.find(entry.value) : buttons.end();
        if (found == buttons.end()) {
            findings.push_back({Kind::EntryWithoutKey, entry.value, entry.key,
                                L"names no toolbar button of Barsmith's in either hive", true});
        } else {
            found->second.entries.push_back(std::move(entry.key));
        }
    }
    FileChecks files;
    for (const auto& [guid, button] : buttons) {
        for (size_t other = 1; other < button.entries.size(); ++other)
            findings.push_back({Kind::SharedGuid, guid, button.entries.front(),
                                L"so does the entry " + Quoted(Escaped(button.entries[other]))});
        CheckKeys(guid, button, catalogue, files, findings);
    }
    return findings;
}

}  // namespace barsmith
