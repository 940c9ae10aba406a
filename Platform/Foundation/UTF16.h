#pragma once

#include <cstddef>
#include <string_view>

// Positions in UTF-8 text counted the platform's way, in UTF-16 code units: a
// character outside the basic multilingual plane counts two. Bytes that are not
// valid UTF-8 count one each.
class UTF16 {
public:
    static size_t length(std::string_view utf8);
    // The byte offset of the UTF-16 position `offset`, clamped to the text; a
    // position inside a surrogate pair falls to the start of its character.
    static size_t utf8Offset(std::string_view utf8, size_t offset);
};
