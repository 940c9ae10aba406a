#include "Platform/Foundation/UTF16.h"

namespace {

// Bytes and UTF-16 units of the character that starts at `at`.
void step(std::string_view text, size_t at, size_t& bytes, size_t& units)
{
    auto lead = static_cast<unsigned char>(text[at]);
    size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 1;
    if (at + length > text.size())
        length = 1;
    for (size_t i = 1; i < length; ++i) {
        if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80)
            length = 1;
    }
    bytes = length;
    units = length == 4 ? 2 : 1;
}

}  // namespace

size_t UTF16::length(std::string_view utf8)
{
    size_t total = 0;
    for (size_t at = 0; at < utf8.size();) {
        size_t bytes = 0, units = 0;
        step(utf8, at, bytes, units);
        at += bytes;
        total += units;
    }
    return total;
}

size_t UTF16::utf8Offset(std::string_view utf8, size_t offset)
{
    size_t counted = 0;
    size_t at = 0;
    while (at < utf8.size()) {
        size_t bytes = 0, units = 0;
        step(utf8, at, bytes, units);
        if (counted + units > offset)
            break;
        counted += units;
        at += bytes;
    }
    return at;
}
