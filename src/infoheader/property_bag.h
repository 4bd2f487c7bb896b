#pragma once
// The host's keyed store of typed values for one placed header. Keys compare
// without regard to case; every value keeps the kind it was written with, and
// reading converts it to the kind the reader needs or fails.
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "infoheader/std_objects.h"

namespace barsmith {

using PictureRef = std::shared_ptr<StdPicture>;
using PropertyValue = std::variant<std::int16_t, std::int32_t, bool, std::wstring, PictureRef>;

// A stored value that cannot become the kind its reader needs.
class PropertyTypeError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class PropertyBag {
public:
    PropertyBag() = default;
    PropertyBag(std::initializer_list<std::pair<std::wstring, PropertyValue>> entries);

    // The stored value, or `defaultValue` when no key matches.
    PropertyValue ReadProperty(std::wstring_view name, PropertyValue defaultValue) const;
    // Stores the value. A key already present, in any case, keeps its spelling
    // and its place and takes the new value.
    void WriteProperty(std::wstring_view name, PropertyValue value);

    bool Contains(std::wstring_view name) const { return Find(name) != nullptr; }
    // Keys and values in the order the keys were first written.
    const std::vector<std::pair<std::wstring, PropertyValue>>& Entries() const { return entries_; }

private:
    const PropertyValue* Find(std::wstring_view name) const;

    std::vector<std::pair<std::wstring, PropertyValue>> entries_;
};

// Conversions to the kind a member needs. Numbers convert among themselves when
// they fit, and from text that is a whole decimal number; Booleans are -1 (true)
// and 0 as numbers and "True"/"False" as text; a picture converts only to a
// picture. Anything else throws PropertyTypeError.
std::int32_t ToInt32(const PropertyValue& value);
std::int16_t ToInt16(const PropertyValue& value);
bool ToBoolean(const PropertyValue& value);
std::wstring ToText(const PropertyValue& value);
PictureRef ToPicture(const PropertyValue& value);

}  // namespace barsmith
