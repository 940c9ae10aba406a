#pragma once

#include <string>
#include <string_view>

#include "Platform/Foundation/Expected.h"
#include "Platform/Foundation/PropertyListValue.h"

// Property lists to and from bytes (XML or binary in; XML or binary out).
class PropertyListSerialization {
public:
    enum class Format { xml, binary };

    // Fails when the bytes are no property list, or hold a kind of value this
    // platform has no counterpart for.
    static Expected<PropertyListValue> propertyList(std::string_view data);
    // The top-level dictionary of a property-list file; fails when the file
    // cannot be read or holds something else.
    static Expected<PropertyListValue::Dictionary> dictionaryAtPath(const std::string& path);
    static Expected<std::string> data(const PropertyListValue& value, Format format = Format::xml);
};
