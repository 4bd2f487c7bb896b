#include "formats/gpp_file.h"

namespace barsmith {
namespace {

constexpr char kSettingsClsid[] = "{A3CCFC41-DFDB-43a5-8D26-0FE8B954DA51}";
constexpr char kCollectionClsid[] = "{53B533F5-224C-47e3-B01B-CA3B3F3FF4BF}";
constexpr char kRegistryItemClsid[] = "{9CD4B2F4-923D-47f5-A062-E897DD1DAD50}";
// The console's pictures of an item of a string value: 6 replaces it, 7 updates it.
constexpr char kReplaceImage[] = "6";
constexpr char kUpdateImage[] = "7";

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

// The file holds an item for every value of every place of every button:
// it is written as UTF-8 from the start, piece by piece, with no wide copy
// of it to convert.
class Utf8Writer {
public:
    explicit Utf8Writer(size_t expected) { bytes_.reserve(expected); }
    Utf8Writer& operator<<(std::string_view ascii) {
        bytes_ += ascii;
        return *this;
    }
    // The text as an attribute's value: what XML would read as markup, or
    // as a blank, is written as a reference.
    Utf8Writer& Text(std::wstring_view text) {
        for (size_t i = 0; i < text.size(); ++i) {
            const wchar_t c = text[i];
            switch (c) {
            case L'&': bytes_ += "&amp;"; break;
            case L'<': bytes_ += "&lt;"; break;
            case L'>': bytes_ += "&gt;"; break;
            case L'"': bytes_ += "&quot;"; break;
            case L'\'': bytes_ += "&apos;"; break;
            case L'\t': bytes_ += "&#9;"; break;
            case L'\n': bytes_ += "&#10;"; break;
            case L'\r': bytes_ += "&#13;"; break;
            default:
                if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
                    Character(0x10000 + ((c - 0xD800u) << 10) + (text[i + 1] - 0xDC00u));
                    ++i;
                } else {
                    // A lone surrogate is no character: the replacement
                    // character stands for it, as the system converts it.
                    Character(IsHighSurrogate(c) || IsLowSurrogate(c) ? 0xFFFD : c);
                }
            }
        }
        return *this;
    }
    std::string Bytes() && { return std::move(bytes_); }

private:
    void Character(char32_t c) {
        if (c < 0x80) {
            bytes_ += static_cast<char>(c);
        } else if (c < 0x800) {
            Add({0xC0 | (c >> 6), 0x80 | (c & 0x3F)});
        } else if (c < 0x10000) {
            Add({0xE0 | (c >> 12), 0x80 | ((c >> 6) & 0x3F), 0x80 | (c & 0x3F)});
        } else {
            Add({0xF0 | (c >> 18), 0x80 | ((c >> 12) & 0x3F), 0x80 | ((c >> 6) & 0x3F), 0x80 | (c & 0x3F)});
        }
    }
    void Add(std::initializer_list<char32_t> units) {
        for (const char32_t unit : units) bytes_ += static_cast<char>(unit);
    }
    std::string bytes_;
};

void WriteItem(Utf8Writer& xml, std::string_view hive, std::wstring_view key, const RegistryValue& value,
               const GroupPolicyOptions& options) {
    const bool unnamed = value.name.empty();
    const std::wstring_view title = unnamed ? L"(Default)" : std::wstring_view(value.name);
    const bool remove = options.removeWhenUnapplied;
    xml << "\t\t<Registry clsid=\"" << kRegistryItemClsid << "\" name=\"";
    xml.Text(title) << "\" status=\"";
    xml.Text(title) << "\" image=\"" << (remove ? kReplaceImage : kUpdateImage) << "\" changed=\"";
    xml.Text(options.changed) << "\" uid=\"";
    xml.Text(options.newUid()) << (remove ? "\" removePolicy=\"1\"" : "\"");
    xml << "><Properties action=\"" << (remove ? "R" : "U") << "\" displayDecimal=\"0\" default=\""
        << (unnamed ? "1" : "0") << "\" hive=\"" << hive << "\" key=\"";
    xml.Text(key) << "\" name=\"";
    xml.Text(value.name) << "\" type=\"REG_SZ\" value=\"";
    xml.Text(*WholeText(value)) << "\"/></Registry>\r\n";
}

std::string_view HiveName(HKEY root) { return root == HKEY_LOCAL_MACHINE ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER"; }

}  // namespace

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
    // Some 500 bytes an item, an item for every value of every place.
    size_t items = 0;
    for (const ExportedEntry& entry : entries) {
        for (const ExportedKey& key : entry.keys) items += key.values.size();
    }
    Utf8Writer xml(512 * items + 256);
    xml << "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<RegistrySettings clsid=\"" << kSettingsClsid << "\">\r\n";
    for (const ExportedEntry& entry : entries) {
        xml << "\t<Collection clsid=\"" << kCollectionClsid << "\" name=\"";
        xml.Text(entry.text) << "\">\r\n";
        for (const ExportedKey& key : entry.keys) {
            const std::wstring path = KeyBelowHive(key.place, entry.guid);
            for (const RegistryValue& value : key.values)
                WriteItem(xml, HiveName(key.place.root), path, value, options);
        }
        xml << "\t</Collection>\r\n";
    }
    xml << "</RegistrySettings>\r\n";
    return std::move(xml).Bytes();
}

}  // namespace barsmith
