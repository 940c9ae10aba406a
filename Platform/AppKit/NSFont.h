#pragma once

#include <string>

#include "Platform/QuartzCore/CGGeometry.h"

// A font: a family and a size in points. The system font is Noto Sans CJK SC,
// named in full: the interface texts are Chinese, and a bare "Sans" may pick
// another font or Japanese glyph forms. Metrics come from pango.
class NSFont {
public:
    static constexpr const char* systemFontFamily = "Noto Sans CJK SC";
    static constexpr CGFloat systemFontSize = 13;

    NSFont(std::string familyName, CGFloat pointSize)
        : m_familyName(std::move(familyName)), m_pointSize(pointSize)
    {
    }
    static NSFont systemFont(CGFloat size) { return {systemFontFamily, size}; }

    const std::string& familyName() const { return m_familyName; }
    CGFloat pointSize() const { return m_pointSize; }

    // The height of one line of text: ascent, descent and leading.
    CGFloat lineHeight() const;

    bool operator==(const NSFont&) const = default;

private:
    std::string m_familyName;
    CGFloat m_pointSize;
};
