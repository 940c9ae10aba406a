#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Platform/AppKit/NSColor.h"
#include "Platform/Foundation/Expected.h"
#include "Platform/QuartzCore/CGGeometry.h"

typedef struct _cairo_surface cairo_surface_t;

// An image in memory (ARGB, premultiplied, as cairo keeps it) of a size in
// points at some pixels per point: what a view caches its display into.
class NSBitmapImageRep {
public:
    // Starts fully transparent.
    static std::shared_ptr<NSBitmapImageRep> make(CGSize size, CGFloat scale = 1);
    // Null when the bytes are not a PNG image cairo can read.
    static std::shared_ptr<NSBitmapImageRep> fromPNG(const std::string& data, CGFloat scale = 1);
    ~NSBitmapImageRep();
    NSBitmapImageRep(const NSBitmapImageRep&) = delete;
    NSBitmapImageRep& operator=(const NSBitmapImageRep&) = delete;

    CGSize size() const { return m_size; }
    CGFloat scale() const { return m_scale; }
    int pixelsWide() const;
    int pixelsHigh() const;
    cairo_surface_t* surface() const { return m_surface; }

    std::string pngRepresentation() const;
    Expected<void> writePNG(const std::string& path) const;

    // Characters the last drawing into the image could not draw (boxes).
    int unknownGlyphCount() const { return m_unknownGlyphs; }
    void setUnknownGlyphCount(int count) { m_unknownGlyphs = count; }
    // Where that drawing put text, in pixels: the only places where another
    // version of the text libraries may draw differently.
    const std::vector<CGRect>& textRects() const { return m_textRects; }
    void setTextRects(std::vector<CGRect> rects) { m_textRects = std::move(rects); }

    NSBitmapImageRep(cairo_surface_t* surface, CGSize size, CGFloat scale);

private:
    cairo_surface_t* m_surface;
    CGSize m_size;
    CGFloat m_scale;
    int m_unknownGlyphs = 0;
    std::vector<CGRect> m_textRects;
};
