#include "storage/button_keys.h"

#include <algorithm>

#include "platform/names.h"

namespace barsmith {

std::optional<KeyFailure> ButtonKeys::Rewrite(const std::wstring& guid, HKEY hive,
                                              const std::vector<RegistryValue>& values,
                                              const std::vector<FoundKey>& before, std::vector<KeyUndo>& undo) const {
    const std::wstring path = ExtensionKeyPath(guid);
    for (const KeyPlace place : PlacesFor(hive)) {
        const bool existed = std::any_of(before.begin(), before.end(),
                                         [place](const FoundKey& found) { return found.place == place; });
        RegKey key;
        const LSTATUS status = existed ? key.Open(api_, place.root, path, kKeyAccess | place.view)
                                       : key.Create(api_, place.root, path, kKeyAccess | place.view);
        if (status != ERROR_SUCCESS)
            return KeyFailure{existed ? KeyFailure::Step::Open : KeyFailure::Step::Create, place, {}, status};
        KeyUndo& step = undo.emplace_back(KeyUndo{place, !existed, {}});
        if (existed) {
            for (const std::wstring& name : ExtensionValueNames()) step.values.emplace_back(name, key.Read(name));
        }
        if (auto failure = RewriteKey(place, key, values)) return failure;
    }
    return std::nullopt;
}

std::optional<KeyFailure> ButtonKeys::RewriteKey(KeyPlace place, const RegKey& key,
                                                 const std::vector<RegistryValue>& values) const {
    std::vector<std::wstring> unwritten = ExtensionValueNames();
    for (const RegistryValue& value : values) {
        std::erase_if(unwritten, [&](const std::wstring& name) { return SameName(name, value.name); });
        if (key.Read(value.name) == value) continue;
        if (const LSTATUS status = key.Write(value))
            return KeyFailure{KeyFailure::Step::WriteValue, place, value.name, status};
    }
    // A value the button no longer has (an emptied hot icon) leaves the key,
    // as creation would not have written it.
    for (const std::wstring& name : unwritten) {
        if (!key.Read(name)) continue;
        if (const LSTATUS status = key.DeleteValue(name))
            return KeyFailure{KeyFailure::Step::DeleteValue, place, name, status};
    }
    return std::nullopt;
}

bool ButtonKeys::Hold(HKEY hive, const std::vector<RegistryValue>& values, const std::vector<FoundKey>& before) const {
    const std::vector<KeyPlace> targets = PlacesFor(hive);
    if (before.size() != targets.size()) return false;
    for (const FoundKey& found : before) {
        if (std::find(targets.begin(), targets.end(), found.place) == targets.end()) return false;
        for (const std::wstring& name : ExtensionValueNames()) {
            const auto wanted = std::find_if(values.begin(), values.end(),
                                             [&](const RegistryValue& value) { return SameName(value.name, name); });
            const std::optional<RegistryValue> held = found.key.Read(name);
            if (wanted == values.end() ? held.has_value() : held != *wanted) return false;
        }
    }
    return true;
}

std::vector<PlaceStatus> ButtonKeys::PutBack(const std::wstring& guid, const std::vector<KeyUndo>& undo) const {
    std::vector<PlaceStatus> left;
    const std::wstring path = ExtensionKeyPath(guid);
    for (const KeyUndo& step : undo) {
        LSTATUS status = ERROR_SUCCESS;
        RegKey key;
        if (step.made) {
            status = DeleteAt(step.place, guid);
        } else if ((status = key.Open(api_, step.place.root, path, kKeyAccess | step.place.view)) == ERROR_SUCCESS) {
            for (const auto& [name, value] : step.values) {
                const LSTATUS put = value ? key.Write(*value) : key.DeleteValue(name);
                if (put != ERROR_SUCCESS && put != ERROR_FILE_NOT_FOUND) status = put;
            }
        }
        if (status != ERROR_SUCCESS) left.push_back({step.place, status});
    }
    return left;
}

std::vector<PlaceStatus> ButtonKeys::Delete(const std::wstring& guid, const std::vector<KeyPlace>& places) const {
    std::vector<PlaceStatus> left;
    for (const KeyPlace place : places) {
        if (const LSTATUS status = DeleteAt(place, guid)) left.push_back({place, status});
    }
    return left;
}

LSTATUS ButtonKeys::DeleteAt(KeyPlace place, const std::wstring& guid) const {
    return api_.DeleteKey(place.root, ExtensionKeyPath(guid), place.view);
}

}  // namespace barsmith
