#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

// One value of a property list, as the serialisation reads and writes it.
// Integers are signed 64-bit; dates are seconds since 2001-01-01 UTC.
class PropertyListValue {
public:
    using Array = std::vector<PropertyListValue>;
    using Dictionary = std::map<std::string, PropertyListValue>;
    struct Data {
        std::string bytes;
        bool operator==(const Data&) const = default;
    };
    struct Date {
        double sinceReferenceDate = 0;
        bool operator==(const Date&) const = default;
    };
    using Storage = std::variant<std::string, std::int64_t, double, bool, Data, Date, Array, Dictionary>;

    PropertyListValue() : m_value(std::string()) { }
    PropertyListValue(std::string text) : m_value(std::move(text)) { }
    PropertyListValue(const char* text) : m_value(std::string(text)) { }
    PropertyListValue(std::int64_t number) : m_value(number) { }
    PropertyListValue(int number) : m_value(std::int64_t{number}) { }
    PropertyListValue(double number) : m_value(number) { }
    PropertyListValue(bool flag) : m_value(flag) { }
    PropertyListValue(Data data) : m_value(std::move(data)) { }
    PropertyListValue(Date date) : m_value(date) { }
    PropertyListValue(Array array) : m_value(std::move(array)) { }
    PropertyListValue(Dictionary dictionary) : m_value(std::move(dictionary)) { }

    const Storage& storage() const { return m_value; }

    template <typename T> const T* get() const { return std::get_if<T>(&m_value); }
    const std::string* string() const { return get<std::string>(); }
    const Array* array() const { return get<Array>(); }
    const Dictionary* dictionary() const { return get<Dictionary>(); }
    std::optional<bool> boolean() const;

    // The value under `key`, or null.
    static const PropertyListValue* valueForKey(const Dictionary& dictionary, const std::string& key);

    bool operator==(const PropertyListValue& other) const { return m_value == other.m_value; }

private:
    Storage m_value;
};
