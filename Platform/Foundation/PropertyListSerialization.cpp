#include "Platform/Foundation/PropertyListSerialization.h"

#include <plist/plist.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <mutex>

#include "Platform/Foundation/FileManager.h"
#include "Platform/Foundation/PropertyListShape.h"

namespace {

// libplist keeps no promises about threads, so one parse or write at a time.
std::mutex& plistLock()
{
    static std::mutex lock;
    return lock;
}

struct PlistDeleter {
    void operator()(void* node) const { plist_free(static_cast<plist_t>(node)); }
};
using PlistPointer = std::unique_ptr<void, PlistDeleter>;

std::string takeString(char* text)
{
    std::string value = text ? text : "";
    std::free(text);
    return value;
}

std::optional<PropertyListValue> fromNode(plist_t node, int depth)
{
    // A hostile file must not run the stack out.
    if (!node || depth > 512)
        return std::nullopt;
    switch (plist_get_node_type(node)) {
    case PLIST_STRING: {
        char* text = nullptr;
        plist_get_string_val(node, &text);
        return PropertyListValue(takeString(text));
    }
    case PLIST_BOOLEAN: {
        uint8_t flag = 0;
        plist_get_bool_val(node, &flag);
        return PropertyListValue(flag != 0);
    }
    case PLIST_UINT: {
        uint64_t number = 0;
        plist_get_uint_val(node, &number);
        return PropertyListValue(static_cast<std::int64_t>(number));
    }
    case PLIST_REAL: {
        double number = 0;
        plist_get_real_val(node, &number);
        return PropertyListValue(number);
    }
    case PLIST_DATA: {
        char* bytes = nullptr;
        uint64_t length = 0;
        plist_get_data_val(node, &bytes, &length);
        PropertyListValue::Data data{std::string(bytes ? bytes : "", bytes ? length : 0)};
        std::free(bytes);
        return PropertyListValue(std::move(data));
    }
    case PLIST_DATE: {
        int32_t seconds = 0;
        int32_t microseconds = 0;
        plist_get_date_val(node, &seconds, &microseconds);
        return PropertyListValue(PropertyListValue::Date{seconds + microseconds / 1e6});
    }
    case PLIST_ARRAY: {
        PropertyListValue::Array array;
        uint32_t count = plist_array_get_size(node);
        for (uint32_t index = 0; index < count; ++index) {
            auto item = fromNode(plist_array_get_item(node, index), depth + 1);
            if (!item)
                return std::nullopt;
            array.push_back(std::move(*item));
        }
        return PropertyListValue(std::move(array));
    }
    case PLIST_DICT: {
        PropertyListValue::Dictionary dictionary;
        plist_dict_iter iterator = nullptr;
        plist_dict_new_iter(node, &iterator);
        bool complete = true;
        for (;;) {
            char* key = nullptr;
            plist_t item = nullptr;
            plist_dict_next_item(node, iterator, &key, &item);
            if (!key)
                break;
            std::string name = takeString(key);
            auto value = fromNode(item, depth + 1);
            if (!value) {
                complete = false;
                break;
            }
            dictionary.insert_or_assign(std::move(name), std::move(*value));
        }
        std::free(iterator);
        if (!complete)
            return std::nullopt;
        return PropertyListValue(std::move(dictionary));
    }
    default:
        return std::nullopt;
    }
}

plist_t toNode(const PropertyListValue& value)
{
    struct Visitor {
        plist_t operator()(const std::string& text) const { return plist_new_string(text.c_str()); }
        plist_t operator()(std::int64_t number) const { return plist_new_uint(static_cast<uint64_t>(number)); }
        plist_t operator()(double number) const { return plist_new_real(number); }
        plist_t operator()(bool flag) const { return plist_new_bool(flag ? 1 : 0); }
        plist_t operator()(const PropertyListValue::Data& data) const
        {
            return plist_new_data(data.bytes.data(), data.bytes.size());
        }
        plist_t operator()(const PropertyListValue::Date& date) const
        {
            double seconds = std::floor(date.sinceReferenceDate);
            return plist_new_date(static_cast<int32_t>(seconds),
                                  static_cast<int32_t>(std::lround((date.sinceReferenceDate - seconds) * 1e6)));
        }
        plist_t operator()(const PropertyListValue::Array& array) const
        {
            plist_t node = plist_new_array();
            for (const auto& item : array)
                plist_array_append_item(node, toNode(item));
            return node;
        }
        plist_t operator()(const PropertyListValue::Dictionary& dictionary) const
        {
            plist_t node = plist_new_dict();
            for (const auto& [key, item] : dictionary)
                plist_dict_set_item(node, key.c_str(), toNode(item));
            return node;
        }
    };
    return std::visit(Visitor{}, value.storage());
}

}  // namespace

Expected<PropertyListValue> PropertyListSerialization::propertyList(std::string_view data)
{
    if (data.empty() || data.size() > UINT32_MAX)
        return Error::message("no property list: " + std::to_string(data.size()) + " bytes");
    if (auto shaped = PropertyListShape::check(data); !shaped)
        return shaped.error();
    plist_t root = nullptr;
    {
        std::lock_guard guard(plistLock());
        plist_from_memory(data.data(), static_cast<uint32_t>(data.size()), &root);
    }
    PlistPointer owner(root);
    if (auto value = fromNode(root, 0))
        return std::move(*value);
    return Error::message("no property list, or one with values of kinds not known here");
}

Expected<PropertyListValue::Dictionary> PropertyListSerialization::dictionaryAtPath(const std::string& path)
{
    auto bytes = FileManager::contents(path);
    if (!bytes)
        return bytes.error();
    auto value = propertyList(*bytes);
    if (!value)
        return Error::message(path + ": " + value.error().description);
    if (!value->dictionary())
        return Error::message(path + ": the property list is no dictionary");
    return *value->dictionary();
}

Expected<std::string> PropertyListSerialization::data(const PropertyListValue& value, Format format)
{
    PlistPointer root(toNode(value));
    char* bytes = nullptr;
    uint32_t length = 0;
    {
        std::lock_guard guard(plistLock());
        if (format == Format::xml)
            plist_to_xml(static_cast<plist_t>(root.get()), &bytes, &length);
        else
            plist_to_bin(static_cast<plist_t>(root.get()), &bytes, &length);
    }
    if (!bytes)
        return Error::message("libplist could not write the property list");
    std::string out(bytes, length);
    if (format == Format::xml)
        plist_to_xml_free(bytes);
    else
        plist_to_bin_free(bytes);
    return out;
}
