#include "extensions/my_buttons_catalogue.h"
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
    for (SettingsEntry& entry : store_.GetAllSettings(application_, kCatalogueSection))
        texts_.push_back(std::move(entry.key));
    std::sort(texts_.begin(), texts_.end(), Less);
    return texts_;
}

std::wstring MyButtonsCatalogue::GuidOf(const std::wstring& buttonText) const {
    return store_.GetSetting(application_, kCatalogueSection, buttonText);
}

std::optional<std::wstring> MyButtonsCatalogue::Lookup(const std::wstring& buttonText) const {
    return store_.FindSetting(application_, kCatalogueSection, buttonText);
}

LSTATUS MyButtonsCatalogue::CanChange() const { return store_.CanChange(application_, kCatalogueSection); }

LSTATUS MyButtonsCatalogue::Record(const std::wstring& buttonText, const std::wstring& guid) const {
    if (!Current()) stamp_.reset();
    const LSTATUS status = store_.SaveSetting(application_, kCatalogueSection, buttonText, guid);
    // A refused write leaves the store, and so the list, as it was.
    if (!stamp_ || status != ERROR_SUCCESS) return status;
    const auto at = std::lower_bound(texts_.begin(), texts_.end(), buttonText, Less);
    const bool added = at == texts_.end() || !SameName(*at, buttonText);
    if (added) texts_.insert(at, buttonText);
    Restamp(added ? 1 : 0);
    return status;
}

LSTATUS MyButtonsCatalogue::Remove(const std::wstring& buttonText) const {
    if (!Current()) stamp_.reset();
    const LSTATUS status = store_.DeleteSetting(application_, kCatalogueSection, buttonText);
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
