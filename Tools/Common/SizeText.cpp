#include "Tools/Common/SizeText.h"

#include <cstdio>

namespace Tools {

std::string SizeText::format(uint64_t bytes)
{
    static const char* const units[] = { "KB", "MB", "GB", "TB", "PB", "EB" };
    if (bytes < 1000)
        return std::to_string(bytes) + " B";
    double value = static_cast<double>(bytes) / 1000.0;
    size_t unit = 0;
    // Round first so that 999.96 KB shows as "1.0 MB", not "1000.0 KB".
    while (value >= 999.95 && unit + 1 < std::size(units)) {
        value /= 1000.0;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %s", value, units[unit]);
    return text;
}

std::string SizeText::detailed(uint64_t bytes)
{
    std::string text = format(bytes) + " (" + std::to_string(bytes) + " Bytes)";
    if (bytes % 512 == 0)
        text += " (exactly " + std::to_string(bytes / 512) + " 512-Byte-Units)";
    return text;
}

}
