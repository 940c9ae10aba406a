#include "App/PropertyList.h"

#include "Platform/Foundation/PropertyListSerialization.h"

PropertyListValue::Dictionary PropertyList::dictionary(const std::string& atPath)
{
    return PropertyListSerialization::dictionaryAtPath(atPath).valueOr({});
}
