#include "Platform/AppKit/NSCoder.h"

#include <cstdio>

std::optional<std::string> NSCoder::decodeString(const std::string& key) const
{
    auto found = m_values.find(key);
    if (found == m_values.end())
        return std::nullopt;
    return found->second;
}

CGRect NSCoder::decodeRect(const std::string& key) const
{
    auto text = decodeString(key);
    double x = 0, y = 0, width = 0, height = 0;
    char end = 0;
    if (!text || std::sscanf(text->c_str(), " {{%lf , %lf }, {%lf , %lf }%c", &x, &y, &width, &height, &end) != 5 || end != '}')
        return {};
    return {x, y, width, height};
}
