#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "Platform/Foundation/PropertyListValue.h"

// Property lists to and from bytes (XML or binary in; XML or binary out).
class PropertyListSerialization {
public:
    enum class Format { xml, binary };

    // Nothing when the bytes are no property list, or hold a kind of value
    // this platform has no counterpart for.
    static std::optional<PropertyListValue> propertyList(std::string_view data);
    static std::optional<std::string> data(const PropertyListValue& value, Format format = Format::xml);
};
