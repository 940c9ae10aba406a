#pragma once

#include <map>
#include <optional>
#include <string>

#include "Platform/QuartzCore/CGGeometry.h"

// A keyed archive being read, as an interface file hands it to a view's archive
// initialiser. Rectangles are stored in the platform's text form
// "{{x, y}, {width, height}}".
class NSCoder {
public:
    explicit NSCoder(std::map<std::string, std::string> values)
        : m_values(std::move(values))
    {
    }

    std::optional<std::string> decodeString(const std::string& key) const;
    // The empty rectangle when the key is missing or its text is malformed.
    CGRect decodeRect(const std::string& key) const;

private:
    std::map<std::string, std::string> m_values;
};
