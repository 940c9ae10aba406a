#pragma once

#include <optional>

#include "Platform/AppKit/NSAttributedString.h"

typedef struct _PangoContext PangoContext;
typedef struct _PangoLayout PangoLayout;
typedef struct _cairo cairo_t;
class NSGraphicsContext;

// Attributed text laid out with pango, in points (72 per inch, no hinting, so
// sizes do not depend on the surface). The text's own attributes win over the
// style's defaults; its first paragraph style decides alignment and breaking.
class TextLayout {
public:
    struct Style {
        NSFont font = NSFont::systemFont(12);
        NSColor color = NSColor::black();
        NSTextAlignment alignment = NSTextAlignment::natural;
        NSLineBreakMode lineBreakMode = NSLineBreakMode::byWordWrapping;
        // No line breaks at all: newlines show as characters.
        bool singleLine = false;
        // The line width for wrapping, truncation and alignment; none: as wide
        // as the text.
        std::optional<CGFloat> width;
    };

    TextLayout(const NSAttributedString& text, const Style& style);
    ~TextLayout();
    TextLayout(const TextLayout&) = delete;
    TextLayout& operator=(const TextLayout&) = delete;

    CGSize size() const;
    // Characters drawn as boxes because no font has them.
    int unknownGlyphCount() const;

    // Draws the text from the rectangle's top-left corner (its top whichever
    // way the context's y axis points), clipped to the rectangle; the context
    // counts any unknown glyphs.
    void draw(NSGraphicsContext& context, const CGRect& rect) const;

    // The one pango context for measuring and drawing (main thread only).
    static PangoContext* context();

private:
    // Tells the context where the ink of each line drawn lies, within the clip.
    void noteInk(NSGraphicsContext& context) const;

    PangoLayout* m_layout = nullptr;
    // With clipping there is no pango width: alignment is applied when drawing.
    CGFloat m_alignmentShift = 0;
    std::optional<CGFloat> m_manualWidth;
    NSColor m_color = NSColor::black();
};
