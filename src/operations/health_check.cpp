#include "operations/health_check.h"

#include <algorithm>
#include <map>

#include "model/button_fields.h"
#include "pictures/picture_file.h"
#include "platform/names.h"

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
            Finding finding{Kind::MissingFile, key.guid, entry};
            finding.value = value;
            finding.named = named;
            if (!Exists(path)) {
                findings.push_back(finding);
            } else if (icon && !DrawnOnToolbar(named)) {
                finding.kind = Kind::NoToolbarImage;
                findings.push_back(finding);
            } else if (icon) {
                if (const MissingSize missing = MissingToolbarSize(named); missing.side != 0) {
                    finding.kind = Kind::ToolbarSizeMissing;
                    finding.size = missing.side;
                    finding.scaledSide = missing.scaledSide;
                    findings.push_back(finding);
                }
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
    // The first size the toolbar draws that the icon has no image of, and the
    // side of the one it scales instead; sides of 0 when it has each size.
    struct MissingSize {
        int side = 0;
        int scaledSide = 0;
    };
    MissingSize MissingToolbarSize(const std::wstring& location) {
        const auto [at, added] = missingSize_.try_emplace(location);
        for (const int size : kToolbarSizes) {
            const auto image = added ? PictureImageFor(Expanded(location), size) : std::nullopt;
            if (image && !image->exact) {
                at->second = {size, image->side};
                break;
            }
        }
        return at->second;
    }
    std::map<std::wstring, bool, NameLess> exists_;
    std::map<std::wstring, MissingSize> missingSize_;
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
// differ; none when they agree or the button is not in both.
std::vector<std::wstring> DifferingValues(const Button& button) {
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
    std::vector<std::wstring> listed;
    for (const auto& [name, unused] : differ) listed.push_back(name);
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
        Finding finding{Kind::OneView, guid, entry, true};
        const REGSAM view = inView(KEY_WOW64_64KEY) ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
        finding.place = {HKEY_LOCAL_MACHINE, view};
        findings.push_back(finding);
    }
    if (std::vector<std::wstring> differ = DifferingValues(button); !differ.empty()) {
        Finding finding{Kind::ViewsDiffer, guid, entry, true};
        finding.names = std::move(differ);
        findings.push_back(finding);
    }
    for (const ScannedKey* key : button.keys) {
        if (std::vector<std::wstring> missing = MissingValues(key->values); !missing.empty()) {
            Finding finding{Kind::MissingValues, guid, entry};
            finding.place = key->place;
            finding.names = std::move(missing);
            findings.push_back(finding);
        }
    }
    const ScannedKey& first = *button.keys.front();
    if (button.entries.empty()) {
        std::wstring text = first.Text(L"ButtonText");
        if (text.empty()) text = first.Text(L"MenuText");
        Finding finding{Kind::Unlisted, guid, {}, ListableUnder(text, catalogue)};
        finding.named = text;
        findings.push_back(finding);
    }
    files.Check(first, entry, findings);
}

}  // namespace

Finding JournalFinding(bool machineWide, LSTATUS status) {
    Finding finding{Kind::JournalUnsound, {}, {}, true};
    finding.status = status;
    finding.machineWide = machineWide;
    return finding;
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
            Finding finding{Kind::UnreadableKey, key.guid, {}};
            finding.place = key.place;
            findings.push_back(finding);
        }
    }
    for (SettingsEntry& entry : entries) {
        const auto found = IsGuidString(entry.value) ? buttons.find(entry.value) : buttons.end();
        if (found == buttons.end()) {
            findings.push_back({Kind::EntryWithoutKey, entry.value, entry.key, true});
        } else {
            found->second.entries.push_back(std::move(entry.key));
        }
    }
    FileChecks files;
    for (const auto& [guid, button] : buttons) {
        for (size_t other = 1; other < button.entries.size(); ++other) {
            Finding finding{Kind::SharedGuid, guid, button.entries.front()};
            finding.named = button.entries[other];
            findings.push_back(finding);
        }
        CheckKeys(guid, button, catalogue, files, findings);
    }
    return findings;
}

}  // namespace barsmith
