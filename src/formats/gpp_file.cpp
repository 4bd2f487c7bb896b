#include "formats/gpp_file.h"

namespace barsmith {
namespace {

constexpr wchar_t kSettingsClsid[] = L"{A3CCFC41-DFDB-43a5-8D26-0FE8B954DA51}";
constexpr wchar_t kCollectionClsid[] = L"{53B533F5-224C-47e3-B01B-CA3B3F3FF4BF}";
constexpr wchar_t kRegistryItemClsid[] = L"{9CD4B2F4-923D-47f5-A062-E897DD1DAD50}";
// The console's pictures of an item of a string value: 6 replaces it, 7 updates it.
constexpr wchar_t kReplaceImage[] = L"6";
constexpr wchar_t kUpdateImage[] = L"7";

bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// True when every character of the text is one XML 1.0 allows.
bool FitsXml(std::wstring_view text) {
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (c < 0x20 && c != L'\t' && c != L'\n' && c != L'\r') return false;
        if (c == 0xFFFE || c == 0xFFFF || IsLowSurrogate(c)) return false;
        if (IsHighSurrogate(c)) {
            if (i + 1 == text.size() || !IsLowSurrogate(text[i + 1])) return false;
            ++i;
        }
    }
    return true;
}

std::optional<UnfitValue> FirstUnfitValue(const ExportedKey& key, size_t entry, size_t place) {
    for (const RegistryValue& value : key.values) {
        if (!FitsXml(value.name)) return UnfitValue{entry, place, value.name, UnfitValue::Why::Name};
        const std::optional<std::wstring> text = WholeText(value);
        if (!text) return UnfitValue{entry, place, value.name, UnfitValue::Why::NotText};
        if (!FitsXml(*text)) return UnfitValue{entry, place, value.name, UnfitValue::Why::Character};
    }
    return std::nullopt;
}

// Below the hive, with Wow6432Node in the path of the 32-bit view.
std::wstring KeyBelowHive(KeyPlace place, const std::wstring& guid) {
    const std::wstring full = FullExtensionKeyPath(place, guid);
    return full.substr(full.find(L'\\') + 1);
}

void AppendItem(std::wstring& xml, KeyPlace place, const std::wstring& key, const RegistryValue& value,
                const GroupPolicyOptions& options) {
    const bool unnamed = value.name.empty();
    const std::wstring title = XmlAttributeText(unnamed ? L"(Default)" : value.name);
    xml += L"\t\t<Registry clsid=\"";
    xml += kRegistryItemClsid;
    xml += L"\" name=\"" + title + L"\" status=\"" + title + L"\" image=\"";
    xml += options.removeWhenUnapplied ? kReplaceImage : kUpdateImage;
    xml += L"\" changed=\"" + options.changed + L"\" uid=\"" + options.newUid() + L"\"";
    if (options.removeWhenUnapplied) xml += L" removePolicy=\"1\"";
    xml += L"><Properties action=\"";
    xml += options.removeWhenUnapplied ? L"R" : L"U";
    xml += L"\" displayDecimal=\"0\" default=\"";
    xml += unnamed ? L"1" : L"0";
    xml += L"\" hive=\"" + RootKeyName(place.root) + L"\" key=\"" + key + L"\" name=\"" +
           XmlAttributeText(value.name) + L"\" type=\"REG_SZ\" value=\"" + XmlAttributeText(*WholeText(value)) +
           L"\"/></Registry>\r\n";
}

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                         nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
    return bytes;
}

}  // namespace

std::wstring XmlAttributeText(std::wstring_view text) {
    std::wstring escaped;
    escaped.reserve(text.size());
    for (const wchar_t c : text) {
        switch (c) {
        case L'&': escaped += L"&amp;"; break;
        case L'<': escaped += L"&lt;"; break;
        case L'>': escaped += L"&gt;"; break;
        case L'"': escaped += L"&quot;"; break;
        case L'\'': escaped += L"&apos;"; break;
        case L'\t': escaped += L"&#9;"; break;
        case L'\n': escaped += L"&#10;"; break;
        case L'\r': escaped += L"&#13;"; break;
        default: escaped += c;
        }
    }
    return escaped;
}

std::optional<UnfitValue> FirstUnfitForGroupPolicy(const std::vector<ExportedEntry>& entries) {
    for (size_t e = 0; e < entries.size(); ++e) {
        if (!FitsXml(entries[e].text)) return UnfitValue{e, 0, {}, UnfitValue::Why::EntryText};
        for (size_t k = 0; k < entries[e].keys.size(); ++k) {
            if (auto unfit = FirstUnfitValue(entries[e].keys[k], e, k)) return unfit;
        }
    }
    return std::nullopt;
}

std::string GroupPolicyFileBytes(const std::vector<ExportedEntry>& entries, const GroupPolicyOptions& options) {
    std::wstring xml = L"<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<RegistrySettings clsid=\"";
    xml += kSettingsClsid;
    xml += L"\">\r\n";
    for (const ExportedEntry& entry : entries) {
        xml += L"\t<Collection clsid=\"";
        xml += kCollectionClsid;
        xml += L"\" name=\"" + XmlAttributeText(entry.text) + L"\">\r\n";
        for (const ExportedKey& key : entry.keys) {
            const std::wstring path = XmlAttributeText(KeyBelowHive(key.place, entry.guid));
            for (const RegistryValue& value : key.values) AppendItem(xml, key.place, path, value, options);
        }
        xml += L"\t</Collection>\r\n";
    }
    xml += L"</RegistrySettings>\r\n";
    return Utf8(xml);
}

}  // namespace barsmith
