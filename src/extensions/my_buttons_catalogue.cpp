#include "extensions/my_buttons_catalogue.h"

namespace barsmith {

std::vector<std::wstring> MyButtonsCatalogue::ButtonTexts() const {
    std::vector<SettingsEntry> entries = store_.GetAllSettings(application_, kCatalogueSection);
    std::vector<std::wstring> texts;
    texts.reserve(entries.size());
    for (SettingsEntry& entry : entries) texts.push_back(std::move(entry.key));
    return texts;
}

std::wstring MyButtonsCatalogue::GuidOf(const std::wstring& buttonText) const {
    return store_.GetSetting(application_, kCatalogueSection, buttonText);
}

LSTATUS MyButtonsCatalogue::Record(const std::wstring& buttonText, const std::wstring& guid) const {
    return store_.SaveSetting(application_, kCatalogueSection, buttonText, guid);
}

LSTATUS MyButtonsCatalogue::Remove(const std::wstring& buttonText) const {
    return store_.DeleteSetting(application_, kCatalogueSection, buttonText);
}

}  // namespace barsmith
