#include "operations/export.h"

#include <map>

#include "formats/gpp_file.h"
#include "formats/registry_file.h"
#include "model/button_fields.h"
#include "model/guid.h"
#include "platform/names.h"
#include "storage/button_change.h"

namespace barsmith {
namespace {

using Kind = ExportOutcome::Kind;

ExportOutcome Refused(Kind kind, const std::wstring& entry, const std::wstring& key = {}) {
    ExportOutcome outcome;
    outcome.kind = kind;
    outcome.entry = entry;
    outcome.key = key;
    return outcome;
}

// The keys of one entry's button in every place, or why they cannot be exported.
std::optional<ExportOutcome> AddEntry(const ButtonKeyFinder& finder, const std::wstring& text,
                                      const std::wstring& guid, std::vector<ExportedEntry>& entries) {
    // Only a GUID string names a key: no other name reaches outside the button's own.
    if (!IsGuidString(guid)) {
        ExportOutcome outcome = Refused(Kind::NoGuid, text);
        outcome.guid = guid;
        return outcome;
    }
    const std::vector<FoundKey> found = finder.Find(guid);
    if (found.empty()) return Refused(Kind::NoKey, text);
    ExportedEntry entry{text, guid, {}};
    for (const FoundKey& place : found) {
        const std::wstring path = FullExtensionKeyPath(place.place, guid);
        LSTATUS status = place.status;
        std::vector<RegistryValue> values;
        if (place.key) values = ReadKeyValues(place.key, ExtensionValueNames(), status);
        if (status != ERROR_SUCCESS) {
            ExportOutcome outcome = Refused(Kind::Unreadable, text, path);
            outcome.status = status;
            return outcome;
        }
        if (!IsRunProgramButton(values)) return Refused(Kind::NotOurs, text, path);
        entry.keys.push_back({place.place, std::move(values)});
    }
    entries.push_back(std::move(entry));
    return std::nullopt;
}

// The named entries with the GUIDs My Buttons gives them (nothing for a text
// it does not list), or every entry: My Buttons is then read once, not once
// for every entry.
std::vector<std::pair<std::wstring, std::optional<std::wstring>>> Listed(const MyButtonsCatalogue& catalogue,
                                                                         const std::vector<std::wstring>& named) {
    std::vector<std::pair<std::wstring, std::optional<std::wstring>>> listed;
    if (named.empty()) {
        for (SettingsEntry& entry : catalogue.Entries())
            listed.emplace_back(std::move(entry.key), std::move(entry.value));
    }
    for (const std::wstring& text : named) listed.emplace_back(text, catalogue.Lookup(text));
    return listed;
}

// The named entries' buttons, each once; under the lock the caller holds.
std::optional<ExportOutcome> Collect(RegistryApi& api, const MyButtonsCatalogue& catalogue,
                                     const std::vector<std::wstring>& named, std::vector<ExportedEntry>& entries) {
    const auto listed = Listed(catalogue, named);
    if (listed.empty()) return Refused(Kind::Empty, {});
    const ButtonKeyFinder finder(api);
    std::map<std::wstring, bool, NameLess> done;
    for (const auto& [text, guid] : listed) {
        if (!guid) return Refused(Kind::NotListed, text);
        if (!done.emplace(*guid, true).second) continue;  // named twice, or by two entries
        if (auto refused = AddEntry(finder, text, *guid, entries)) return refused;
    }
    return std::nullopt;
}

ExportOutcome UnfitOutcome(const std::vector<ExportedEntry>& entries, const UnfitValue& unfit) {
    const ExportedEntry& entry = entries[unfit.entry];
    ExportOutcome outcome = Refused(Kind::Unfit, entry.text);
    if (unfit.why != UnfitValue::Why::EntryText)
        outcome.key = FullExtensionKeyPath(entry.keys[unfit.key].place, entry.guid);
    outcome.value = unfit.name;
    outcome.why = unfit.why;
    return outcome;
}

// A line break or NUL in a name would end the line that names it, and the
// rest would be read as lines of their own: keys and values anywhere in the
// registry of whoever imports the file.
std::optional<UnfitValue> FirstUnfitForRegistryFile(const std::vector<ExportedEntry>& entries) {
    for (size_t e = 0; e < entries.size(); ++e) {
        for (size_t k = 0; k < entries[e].keys.size(); ++k) {
            for (const RegistryValue& value : entries[e].keys[k].values) {
                if (!FitsRegistryFile(value.name)) return UnfitValue{e, k, value.name, UnfitValue::Why::Name};
            }
        }
    }
    return std::nullopt;
}

// Group Policy keeps computer and user settings apart, and a package is
// installed per machine or per user: each takes the buttons of one hive.
std::optional<ExportOutcome> MixedHives(const std::vector<ExportedEntry>& entries) {
    ExportOutcome outcome;
    outcome.kind = Kind::MixedHives;
    for (const ExportedEntry& entry : entries) {
        bool machine = false;
        bool user = false;
        for (const ExportedKey& key : entry.keys) (key.place.root == HKEY_LOCAL_MACHINE ? machine : user) = true;
        if (machine) outcome.machineEntries.push_back(entry.text);
        if (user) outcome.userEntries.push_back(entry.text);
    }
    if (outcome.machineEntries.empty() || outcome.userEntries.empty()) return std::nullopt;
    return outcome;
}

std::vector<RegistryFileKey> RegistryFileKeys(std::vector<ExportedEntry>& entries) {
    std::vector<RegistryFileKey> keys;
    for (ExportedEntry& entry : entries) {
        for (ExportedKey& key : entry.keys)
            keys.push_back({FullExtensionKeyPath(key.place, entry.guid), std::move(key.values)});
    }
    return keys;
}

// Now in UTC, as the Group Policy console stamps the items it changes.
std::wstring ChangedNow() {
    SYSTEMTIME now{};
    GetSystemTime(&now);
    wchar_t text[20];
    swprintf(text, 20, L"%04u-%02u-%02u %02u:%02u:%02u", now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
             now.wSecond);
    return text;
}

std::optional<FileError> Write(const ExportRequest& request, std::vector<ExportedEntry>& entries) {
    switch (request.format) {
    case ExportFormat::GroupPolicy:
        return WriteWholeFile(request.path, GroupPolicyFileBytes(entries, {request.removeWhenUnapplied, ChangedNow(),
                                                                           [] { return CreateGUID(); }}));
    case ExportFormat::Package:
        return MakeWholeFile(request.path, [&](const std::wstring& temporary) -> DWORD {
            return BuildPackage(temporary, entries, request.package);
        });
    case ExportFormat::RegistryFile: break;
    }
    return WriteWholeFile(request.path, RegistryFileBytes(RegistryFileKeys(entries)));
}

}  // namespace

std::optional<ExportFormat> FormatOfFile(const std::wstring& path) {
    const size_t dot = path.find_last_of(L".\\/");
    if (dot == std::wstring::npos || path[dot] != L'.') return std::nullopt;
    const std::wstring extension = path.substr(dot);
    if (SameName(extension, L".reg")) return ExportFormat::RegistryFile;
    if (SameName(extension, L".xml")) return ExportFormat::GroupPolicy;
    if (SameName(extension, L".msi")) return ExportFormat::Package;
    return std::nullopt;
}

ExportOutcome ExportButtons(RegistryApi& api, const MyButtonsCatalogue& catalogue, const ExportRequest& request) {
    std::vector<ExportedEntry> entries;
    std::optional<ExportOutcome> refused;
    Transaction transaction =
        RunLocked(api, catalogue, [&] { refused = Collect(api, catalogue, request.entries, entries); });
    if (!transaction.held) return Refused(Kind::Busy, {});
    if (refused) {
        refused->settled = std::move(transaction.settled);
        return *refused;
    }
    if (request.format != ExportFormat::RegistryFile) {
        if (auto mixed = MixedHives(entries)) return *mixed;
    }
    const std::optional<UnfitValue> unfit =
        request.format == ExportFormat::GroupPolicy ? FirstUnfitForGroupPolicy(entries)
        : request.format == ExportFormat::Package   ? FirstUnfitForPackage(entries, request.package)
                                                    : FirstUnfitForRegistryFile(entries);
    if (unfit) return UnfitOutcome(entries, *unfit);
    ExportOutcome outcome;
    outcome.settled = std::move(transaction.settled);
    outcome.exported = entries.size();
    if (std::optional<FileError> error = Write(request, entries)) {
        outcome.kind = Kind::FileFailed;
        outcome.file = std::move(*error);
    }
    return outcome;
}

}  // namespace barsmith
