#pragma once

#include <vector>

#include "Platform/QuartzCore/CGGeometry.h"

typedef struct _cairo cairo_t;

// Where views draw: a cairo context, made current for the duration of a
// drawing pass. It also counts the characters that no font could draw (a box
// on screen), so a caller can treat them as the error they are, and notes
// where text went: a comparison of pictures holds fills and images to the
// exact pixel, and only anti-aliased text edges may differ between versions
// of the text libraries.
class NSGraphicsContext {
public:
    explicit NSGraphicsContext(cairo_t* cr)
        : m_cr(cr)
    {
    }

    static NSGraphicsContext* current();

    cairo_t* cgContext() const { return m_cr; }
    int unknownGlyphCount() const { return m_unknownGlyphs; }
    void addUnknownGlyphs(int count) { m_unknownGlyphs += count; }
    // The rectangles text was drawn in, in the surface's pixels.
    const std::vector<CGRect>& textRects() const { return m_textRects; }
    void addTextRect(const CGRect& rect) { m_textRects.push_back(rect); }

    // Makes a context current until the scope ends.
    class Scope {
    public:
        explicit Scope(NSGraphicsContext& context);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        NSGraphicsContext* m_previous;
    };

private:
    cairo_t* m_cr;
    int m_unknownGlyphs = 0;
    std::vector<CGRect> m_textRects;
};
