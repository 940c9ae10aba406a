#include "App/PropertyList.h"

#include "Platform/Foundation/FileManager.h"
#include "Platform/Foundation/PropertyListSerialization.h"

PropertyListValue::Dictionary PropertyList::dictionary(const std::string& atPath)
{
    auto data = FileManager::contents(atPath);
    if (!data)
        return {};
    auto value = PropertyListSerialization::propertyList(*data);
    if (!value || !value->dictionary())
        return {};
    return *value->dictionary();
}
