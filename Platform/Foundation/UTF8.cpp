#include "Platform/Foundation/UTF8.h"

#include <utf8proc.h>

#include <cstdio>
#include <cstdlib>

std::string UTF8::decode(std::string_view bytes)
{
    return isValid(bytes) ? std::string(bytes) : std::string();
}

bool UTF8::isValid(std::string_view bytes)
{
    auto* cursor = reinterpret_cast<const utf8proc_uint8_t*>(bytes.data());
    auto left = static_cast<utf8proc_ssize_t>(bytes.size());
    while (left > 0) {
        utf8proc_int32_t codepoint = 0;
        utf8proc_ssize_t used = utf8proc_iterate(cursor, left, &codepoint);
        if (used <= 0 || codepoint < 0)
            return false;
        cursor += used;
        left -= used;
    }
    return true;
}

std::string UTF8::nfc(std::string_view text)
{
    if (!isValid(text))
        return std::string(text);
    utf8proc_uint8_t* composed = nullptr;
    utf8proc_ssize_t length = utf8proc_map(reinterpret_cast<const utf8proc_uint8_t*>(text.data()),
                                           static_cast<utf8proc_ssize_t>(text.size()), &composed,
                                           static_cast<utf8proc_option_t>(UTF8PROC_STABLE | UTF8PROC_COMPOSE));
    if (length < 0) {
        std::free(composed);
        return std::string(text);
    }
    std::string out(reinterpret_cast<const char*>(composed), static_cast<size_t>(length));
    std::free(composed);
    return out;
}

namespace {

// Calls `start` with the offset of each user-perceived character; a byte
// that is not part of valid UTF-8 stands alone and breaks any cluster around it.
template <typename Start>
void forEachGrapheme(std::string_view text, Start start)
{
    auto* cursor = reinterpret_cast<const utf8proc_uint8_t*>(text.data());
    auto left = static_cast<utf8proc_ssize_t>(text.size());
    utf8proc_int32_t state = 0;
    utf8proc_int32_t previous = -1;
    while (left > 0) {
        const size_t offset = text.size() - static_cast<size_t>(left);
        utf8proc_int32_t codepoint = 0;
        utf8proc_ssize_t used = utf8proc_iterate(cursor, left, &codepoint);
        if (used <= 0 || codepoint < 0) {
            start(offset);
            previous = -1;
            state = 0;
            ++cursor;
            --left;
            continue;
        }
        if (previous < 0 || utf8proc_grapheme_break_stateful(previous, codepoint, &state))
            start(offset);
        previous = codepoint;
        cursor += used;
        left -= used;
    }
}

}  // namespace

size_t UTF8::graphemeCount(std::string_view text)
{
    size_t count = 0;
    forEachGrapheme(text, [&](size_t) { ++count; });
    return count;
}

std::string UTF8::prefixWithin(std::string_view text, size_t bytes)
{
    if (text.size() <= bytes)
        return std::string(text);
    size_t end = 0;
    forEachGrapheme(text, [&](size_t start) {
        if (start <= bytes)
            end = start;
    });
    return std::string(text.substr(0, end));
}

std::string UTF8::fromLatin1(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    for (unsigned char byte : bytes) {
        if (byte < 0x80) {
            out += static_cast<char>(byte);
        } else {
            out += static_cast<char>(0xC0 | (byte >> 6));
            out += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return out;
}

std::string UTF8::escapedControls(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    char escape[16];
    auto* cursor = reinterpret_cast<const utf8proc_uint8_t*>(text.data());
    auto left = static_cast<utf8proc_ssize_t>(text.size());
    while (left > 0) {
        utf8proc_int32_t codepoint = 0;
        utf8proc_ssize_t used = utf8proc_iterate(cursor, left, &codepoint);
        if (used <= 0 || codepoint < 0) {
            std::snprintf(escape, sizeof escape, "\\x{%x}", static_cast<unsigned>(*cursor));
            out += escape;
            used = 1;
        } else if (codepoint == '\n') {
            out += "\\n";
        } else if (codepoint == '\r') {
            out += "\\r";
        } else if (codepoint == '\t') {
            out += "\\t";
        } else if (codepoint == 0) {
            out += "\\0";
        } else if (codepoint < 0x20 || (codepoint >= 0x7F && codepoint <= 0x9F) || codepoint == 0x2028
                   || codepoint == 0x2029) {
            std::snprintf(escape, sizeof escape, "\\u{%x}", static_cast<unsigned>(codepoint));
            out += escape;
        } else {
            out.append(reinterpret_cast<const char*>(cursor), static_cast<size_t>(used));
        }
        cursor += used;
        left -= used;
    }
    return out;
}
