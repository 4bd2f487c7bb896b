#pragma once
// Whether the buttons and My Buttons agree: every key of the given buttons
// has an entry and every entry its key, no key lacks a value a button needs,
// and a machine-wide button is alike in both registry views.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "model/button_fields.h"
#include "storage/my_buttons_catalogue.h"

namespace barsmith::testing {

inline ::testing::AssertionResult Consistent(RegistryApi& api, const MyButtonsCatalogue& catalogue,
                                             const std::set<std::wstring>& guids) {
    std::set<std::wstring> named;
    for (const SettingsEntry& entry : catalogue.Entries()) named.insert(entry.value);
    for (const std::wstring& guid : guids) {
        const std::vector<FoundKey> keys = FindButtonKeys(api, guid);
        if (keys.empty() != !named.contains(guid))
            return ::testing::AssertionFailure()
                   << (keys.empty() ? "an entry without its key " : "a key without its entry ")
                   << std::string(guid.begin(), guid.end());
        std::vector<RegistryValue> first;
        for (const FoundKey& found : keys) {
            std::vector<RegistryValue> values;
            found.key.Values(values);
            if (const auto missing = MissingValues(values); !missing.empty())
                return ::testing::AssertionFailure()
                       << "a key without " << std::string(missing.front().begin(), missing.front().end());
            if (found.place.root == HKEY_LOCAL_MACHINE && !first.empty() && values != first)
                return ::testing::AssertionFailure() << "views that differ";
            if (found.place.root == HKEY_LOCAL_MACHINE) first = values;
        }
        const auto machine = std::count_if(keys.begin(), keys.end(), [](const FoundKey& found) {
            return found.place.root == HKEY_LOCAL_MACHINE;
        });
        if (machine == 1) return ::testing::AssertionFailure() << "a key in one view only";
    }
    return ::testing::AssertionSuccess();
}

}  // namespace barsmith::testing
