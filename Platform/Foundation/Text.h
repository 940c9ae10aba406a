#pragma once

#include <string>
#include <string_view>
#include <vector>

// Texts cut into pieces at a separator and joined again. Header-only, so the
// disk tools use it too without linking the rest of the platform.
class Text {
public:
    enum EmptyPieces { dropEmpty, keepEmpty };

    // The pieces between the separators, in order: "a,,b" gives "a", "b", or
    // "a", "", "b" when empty pieces are kept.
    static std::vector<std::string> split(std::string_view text, char separator, EmptyPieces empty = dropEmpty)
    {
        std::vector<std::string> pieces;
        for (size_t start = 0;;) {
            size_t end = text.find(separator, start);
            std::string_view piece = text.substr(start, end == std::string_view::npos ? end : end - start);
            if (!piece.empty() || empty == keepEmpty)
                pieces.emplace_back(piece);
            if (end == std::string_view::npos)
                return pieces;
            start = end + 1;
        }
    }

    static std::string join(const std::vector<std::string>& pieces, char separator)
    {
        std::string text;
        for (size_t index = 0; index < pieces.size(); ++index) {
            if (index > 0)
                text += separator;
            text += pieces[index];
        }
        return text;
    }
};
