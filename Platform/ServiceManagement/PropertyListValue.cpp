#include "Platform/ServiceManagement/PropertyListValue.h"

std::optional<bool> PropertyListValue::boolean() const
{
    if (const bool* flag = get<bool>())
        return *flag;
    return std::nullopt;
}
