#include "infoheader/property_bag.h"
#include "platform/names.h"

#include <windows.h>

#include <cerrno>
#include <cwchar>
#include <cwctype>
#include <limits>

namespace barsmith {
namespace {

std::wstring_view Trimmed(std::wstring_view text) {
    while (!text.empty() && std::iswspace(text.front())) text.remove_prefix(1);
    while (!text.empty() && std::iswspace(text.back())) text.remove_suffix(1);
    return text;
}

long long TextToNumber(const std::wstring& text) {
    const std::wstring digits(Trimmed(text));
    if (digits.empty()) throw PropertyTypeError("empty text is not a number");
    wchar_t* end = nullptr;
    errno = 0;
    const long long number = std::wcstoll(digits.c_str(), &end, 10);
    if (errno == ERANGE || end != digits.c_str() + digits.size()) throw PropertyTypeError("text is not a whole number");
    return number;
}

long long ToNumber(const PropertyValue& value) {
    struct Visitor {
        long long operator()(std::int16_t v) const { return v; }
        long long operator()(std::int32_t v) const { return v; }
        long long operator()(bool v) const { return v ? -1 : 0; }
        long long operator()(const std::wstring& v) const { return TextToNumber(v); }
        long long operator()(const PictureRef&) const { throw PropertyTypeError("a picture is not a number"); }
    };
    return std::visit(Visitor{}, value);
}

template <typename Int>
Int Narrow(long long number) {
    if (number < std::numeric_limits<Int>::min() || number > std::numeric_limits<Int>::max())
        throw PropertyTypeError("number out of range");
    return static_cast<Int>(number);
}

}  // namespace

PropertyBag::PropertyBag(std::initializer_list<std::pair<std::wstring, PropertyValue>> entries) {
    for (const auto& [name, value] : entries) WriteProperty(name, value);
}

const PropertyValue* PropertyBag::Find(std::wstring_view name) const {
    for (const auto& [key, value] : entries_) {
        if (SameName(key, name)) return &value;
    }
    return nullptr;
}

PropertyValue PropertyBag::ReadProperty(std::wstring_view name, PropertyValue defaultValue) const {
    const PropertyValue* stored = Find(name);
    return stored ? *stored : defaultValue;
}

void PropertyBag::WriteProperty(std::wstring_view name, PropertyValue value) {
    for (auto& [key, stored] : entries_) {
        if (SameName(key, name)) {
            stored = std::move(value);
            return;
        }
    }
    entries_.emplace_back(std::wstring(name), std::move(value));
}

std::int32_t ToInt32(const PropertyValue& value) { return Narrow<std::int32_t>(ToNumber(value)); }

std::int16_t ToInt16(const PropertyValue& value) { return Narrow<std::int16_t>(ToNumber(value)); }

bool ToBoolean(const PropertyValue& value) {
    if (const auto* flag = std::get_if<bool>(&value)) return *flag;
    if (const auto* text = std::get_if<std::wstring>(&value)) {
        const std::wstring_view word = Trimmed(*text);
        if (SameName(word, L"True")) return true;
        if (SameName(word, L"False")) return false;
    }
    return ToNumber(value) != 0;
}

std::wstring ToText(const PropertyValue& value) {
    struct Visitor {
        std::wstring operator()(std::int16_t v) const { return std::to_wstring(v); }
        std::wstring operator()(std::int32_t v) const { return std::to_wstring(v); }
        std::wstring operator()(bool v) const { return v ? L"True" : L"False"; }
        std::wstring operator()(const std::wstring& v) const { return v; }
        std::wstring operator()(const PictureRef&) const { throw PropertyTypeError("a picture is not text"); }
    };
    return std::visit(Visitor{}, value);
}

PictureRef ToPicture(const PropertyValue& value) {
    if (const auto* picture = std::get_if<PictureRef>(&value)) return *picture;
    throw PropertyTypeError("only a picture converts to a picture");
}

}  // namespace barsmith
