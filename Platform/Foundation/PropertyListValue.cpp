#include "Platform/Foundation/PropertyListValue.h"

std::optional<bool> PropertyListValue::boolean() const
{
    if (const bool* flag = get<bool>())
        return *flag;
    return std::nullopt;
}

const PropertyListValue* PropertyListValue::valueForKey(const Dictionary& dictionary, const std::string& key)
{
    auto found = dictionary.find(key);
    return found == dictionary.end() ? nullptr : &found->second;
}
