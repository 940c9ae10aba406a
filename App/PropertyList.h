#pragma once

#include <string>

#include "Platform/Foundation/PropertyListValue.h"

// Reads a property-list file whose top level is a dictionary.
class PropertyList {
public:
    // An empty dictionary when the file cannot be read or parsed, or its top
    // level is not a dictionary.
    static PropertyListValue::Dictionary dictionary(const std::string& atPath);
};
