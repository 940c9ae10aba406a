#pragma once

#include <string>
#include <string_view>

// UTF-8 checks and conversions on byte strings.
class UTF8 {
public:
    // The text the bytes spell, or the empty text when they are not valid UTF-8
    // (overlong forms, surrogates and truncated sequences included).
    static std::string decode(std::string_view bytes);
    static bool isValid(std::string_view bytes);

    // Canonical composition (NFC), so texts that differ only in how accents are
    // encoded compare equal. Bytes that are not valid UTF-8 come back unchanged.
    static std::string nfc(std::string_view text);

    // User-perceived characters: Unicode extended grapheme clusters, so an
    // accented letter built from two code points, a flag or a family emoji
    // counts one. Bytes that are not valid UTF-8 count one each.
    static size_t graphemeCount(std::string_view text);
    // The longest start of the text that takes at most `bytes` bytes and ends
    // between two user-perceived characters (a name cut to fit a file name).
    static std::string prefixWithin(std::string_view text, size_t bytes);

    // Each byte taken as one Latin-1 character, encoded as UTF-8; for reading
    // text files that were not written as UTF-8.
    static std::string fromLatin1(std::string_view bytes);

    // The text with every control character (C0, DEL, C1), line and paragraph
    // separator written as an escape ("\n", "\t", "\0", "\u{1b}", "\u{2028}") and
    // every byte that is not part of valid UTF-8 as "\x{ff}": the result is one
    // line of valid UTF-8 that shows what the bytes were.
    static std::string escapedControls(std::string_view text);
};
