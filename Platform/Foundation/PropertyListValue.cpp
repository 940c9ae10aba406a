#include "Platform/Foundation/PropertyListValue.h"

std::optional<bool> PropertyListValue::boolean() const
{
    if (const bool* flag = get<bool>())
        return *flag;
    return std::nullopt;
}
