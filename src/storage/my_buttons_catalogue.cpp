#include "storage/my_buttons_catalogue.h"
#include "platform/names.h"

#include <algorithm>

namespace barsmith {
namespace {

// The registry's own order of value names.
constexpr NameLess Less;

}  // namespace

bool MyButtonsCatalogue::Current() const {
    return stamp_ && store_.Stamp(application_, kCatalogueSection) == stamp_;
}

void MyButtonsCatalogue::Restamp(int entriesAdded) const {
    const std::optional<SectionStamp> now = store_.Stamp(application_, kCatalogueSection);
    if (now && stamp_ && static_cast<long long>(now->entries) == static_cast<long long>(stamp_->entries) + entriesAdded)
        stamp_ = now;
    else
        stamp_.reset();
}

const std::vector<std::wstring>& MyButtonsCatalogue::ButtonTexts() const {
    const std::optional<SectionStamp> now = store_.Stamp(application_, kCatalogueSection);
    if (now && now == stamp_) return texts_;
    // Stamped before reading: a change made during the read shows up as a
    // newer stamp next time, never as a stale list.
    stamp_ = now;
    texts_.clear();
    if (!now) return texts_;
    for (SettingsEntry& entry : store_.Entries(application_, kCatalogueSection))
        texts_.push_back(std::move(entry.key));
    std::sort(texts_.begin(), texts_.end(), Less);
    return texts_;
}

std::vector<SettingsEntry> MyButtonsCatalogue::Entries() const {
    std::vector<SettingsEntry> entries = store_.Entries(application_, kCatalogueSection);
    std::sort(entries.begin(), entries.end(),
              [](const SettingsEntry& a, const SettingsEntry& b) { return Less(a.key, b.key); });
    return entries;
}

std::optional<std::wstring> MyButtonsCatalogue::TextNaming(const std::wstring& guid) const {
    for (const SettingsEntry& entry : store_.Entries(application_, kCatalogueSection)) {
        if (SameName(entry.value, guid)) return entry.key;
    }
    return std::nullopt;
}

std::wstring MyButtonsCatalogue::GuidOf(const std::wstring& buttonText) const {
    return store_.Value(application_, kCatalogueSection, buttonText);
}

std::optional<std::wstring> MyButtonsCatalogue::Lookup(const std::wstring& buttonText) const {
    return store_.Find(application_, kCatalogueSection, buttonText);
}

LSTATUS MyButtonsCatalogue::CanChange() const { return store_.CanChange(application_, kCatalogueSection); }

std::optional<std::wstring> MyButtonsCatalogue::Spelling(const std::wstring& buttonText) const {
    if (!Lookup(buttonText)) return std::nullopt;
    const std::vector<std::wstring>& texts = ButtonTexts();
    const auto at = std::lower_bound(texts.begin(), texts.end(), buttonText, Less);
    if (at == texts.end() || !SameName(*at, buttonText)) return std::nullopt;
    return *at;
}

LSTATUS MyButtonsCatalogue::Record(const std::wstring& buttonText, const std::wstring& guid) const {
    const std::optional<std::wstring> spelled = Spelling(buttonText);
    if (!Current()) stamp_.reset();
    // A refused write leaves the store, and so the list, as it was.
    LSTATUS status = store_.Write(application_, kCatalogueSection, buttonText, guid);
    if (status == ERROR_SUCCESS && spelled && *spelled != buttonText) {
        // The registry keeps the first spelling of a value's name: the entry
        // is written anew, so that it shows the text as it is now.
        status = store_.Remove(application_, kCatalogueSection, *spelled);
        if (status == ERROR_SUCCESS) status = store_.Write(application_, kCatalogueSection, buttonText, guid);
    }
    if (!stamp_ || status != ERROR_SUCCESS) {
        stamp_.reset();
        return status;
    }
    const auto at = std::lower_bound(texts_.begin(), texts_.end(), buttonText, Less);
    const bool added = at == texts_.end() || !SameName(*at, buttonText);
    if (added)
        texts_.insert(at, buttonText);
    else
        *at = buttonText;
    Restamp(added ? 1 : 0);
    return status;
}

LSTATUS MyButtonsCatalogue::Remove(const std::wstring& buttonText) const {
    if (!Current()) stamp_.reset();
    const LSTATUS status = store_.Remove(application_, kCatalogueSection, buttonText);
    if (!stamp_ || status != ERROR_SUCCESS) return status;
    const auto at = std::lower_bound(texts_.begin(), texts_.end(), buttonText, Less);
    if (at == texts_.end() || !SameName(*at, buttonText)) {
        stamp_.reset();
        return status;
    }
    texts_.erase(at);
    Restamp(-1);
    return status;
}

}  // namespace barsmith
