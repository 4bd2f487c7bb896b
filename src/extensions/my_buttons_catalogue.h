#pragma once
// The program's own list of the buttons it has created, kept in the settings
// store under application "Barsmith", section "My Buttons": one entry per
// button, keyed by the button text, holding the GUID string of its key.
// Because the button text is the key, a second button of the same text takes
// over the entry.
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "extensions/settings_store.h"

namespace barsmith {

inline constexpr wchar_t kCatalogueApplication[] = L"Barsmith";
inline constexpr wchar_t kCatalogueSection[] = L"My Buttons";

class MyButtonsCatalogue {
public:
    // `application` names the settings of another program than Barsmith's own;
    // tests keep their catalogues apart with it.
    explicit MyButtonsCatalogue(RegistryApi& api, std::wstring application = kCatalogueApplication)
        : store_(api), application_(std::move(application)) {}

    // The button texts, in the store's order; empty when nothing is catalogued.
    std::vector<std::wstring> ButtonTexts() const;
    // The GUID recorded for the button text, or the empty text.
    std::wstring GuidOf(const std::wstring& buttonText) const;
    bool Contains(const std::wstring& buttonText) const { return !GuidOf(buttonText).empty(); }
    LSTATUS Record(const std::wstring& buttonText, const std::wstring& guid) const;
    // ERROR_FILE_NOT_FOUND when the text was not catalogued.
    LSTATUS Remove(const std::wstring& buttonText) const;

    const std::wstring& application() const { return application_; }

private:
    SettingsStore store_;
    std::wstring application_;
};

}  // namespace barsmith
