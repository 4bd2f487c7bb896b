#pragma once
// The program's own list of the buttons it has created, kept in the settings
// store under application "Barsmith", section "My Buttons": one entry per
// button, keyed by the button text, holding the GUID string of its key.
// Because the button text is the key, a second button of the same text takes
// over the entry; like every registry value name, the text is compared
// without regard to case.
#include <windows.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "storage/settings_store.h"

namespace barsmith {

inline constexpr wchar_t kCatalogueApplication[] = L"Barsmith";
inline constexpr wchar_t kCatalogueSection[] = L"My Buttons";

class MyButtonsCatalogue {
public:
    // `application` names the settings of another program than Barsmith's own;
    // tests keep their catalogues apart with it.
    explicit MyButtonsCatalogue(RegistryApi& api, std::wstring application = kCatalogueApplication)
        : store_(api), application_(std::move(application)) {}

    // The button texts in alphabetical order, case ignored; empty when nothing
    // is catalogued. The store is read again only when it has changed since
    // the last read (by another process, say), so that a catalogue of
    // thousands of buttons lists at once.
    const std::vector<std::wstring>& ButtonTexts() const;
    // Every entry with the GUID it names, in the order of ButtonTexts.
    std::vector<SettingsEntry> Entries() const;
    // The text of an entry that names `guid`, or nothing when none does.
    std::optional<std::wstring> TextNaming(const std::wstring& guid) const;
    // The GUID recorded for the button text, or the empty text.
    std::wstring GuidOf(const std::wstring& buttonText) const;
    // The GUID recorded for the button text, or nothing when it has no entry.
    std::optional<std::wstring> Lookup(const std::wstring& buttonText) const;
    // ERROR_SUCCESS when entries may be changed and removed now.
    LSTATUS CanChange() const;
    bool Contains(const std::wstring& buttonText) const { return !GuidOf(buttonText).empty(); }
    // Creates or replaces the entry; it takes the text as given, also when
    // only the case of its letters changed.
    LSTATUS Record(const std::wstring& buttonText, const std::wstring& guid) const;
    // ERROR_FILE_NOT_FOUND when the text was not catalogued.
    LSTATUS Remove(const std::wstring& buttonText) const;

    const std::wstring& Application() const { return application_; }

private:
    // How the entry of the text is spelled in the store, when there is one.
    std::optional<std::wstring> Spelling(const std::wstring& buttonText) const;
    // True when the texts read last still match the store.
    bool Current() const;
    // After a change of our own: `texts_` was edited to match, and the
    // store's new stamp must differ from the old one by `entriesAdded`
    // entries, or the texts are read again next time.
    void Restamp(int entriesAdded) const;

    SettingsStore store_;
    std::wstring application_;
    mutable std::optional<SectionStamp> stamp_;  // of the store when `texts_` was read
    mutable std::vector<std::wstring> texts_;
};

}  // namespace barsmith
