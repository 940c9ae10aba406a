#include "Platform/Headless/HeadlessWindowBackend.h"

#include <cairo.h>

#include <algorithm>
#include <vector>

#include "Platform/AppKit/NSBitmapImageRep.h"
#include "Platform/AppKit/NSView.h"
#include "Platform/AppKit/NSWindow.h"
#include "Platform/AppKit/ViewRenderer.h"
#include "Platform/QuartzCore/MediaClock.h"

namespace {

// A sheet casts a soft shadow onto its parent: rings of fading grey.
void drawSheetShadow(cairo_t* cr, const CGRect& sheet)
{
    constexpr int rings = 8;
    for (int ring = rings; ring >= 1; --ring) {
        cairo_rectangle(cr, sheet.minX() - ring, sheet.minY(), sheet.width() + 2 * ring, sheet.height() + ring);
        cairo_set_source_rgba(cr, 0, 0, 0, 0.04 * (rings - ring + 1) / rings);
        cairo_fill(cr);
    }
}

// The parts of `rect` that `cover` leaves uncovered, as up to four rectangles.
void appendOutside(const CGRect& rect, const CGRect& cover, std::vector<CGRect>& parts)
{
    CGRect overlap = rect.intersection(cover);
    if (overlap.isEmpty()) {
        parts.push_back(rect);
        return;
    }
    auto add = [&](CGFloat left, CGFloat top, CGFloat right, CGFloat bottom) {
        if (right > left && bottom > top)
            parts.push_back({left, top, right - left, bottom - top});
    };
    add(rect.minX(), rect.minY(), rect.maxX(), overlap.minY());
    add(rect.minX(), overlap.maxY(), rect.maxX(), rect.maxY());
    add(rect.minX(), overlap.minY(), overlap.minX(), overlap.maxY());
    add(overlap.maxX(), overlap.minY(), rect.maxX(), overlap.maxY());
}

}  // namespace

HeadlessWindowBackend* HeadlessWindowBackend::installed()
{
    return dynamic_cast<HeadlessWindowBackend*>(&WindowBackend::current());
}

std::vector<std::shared_ptr<NSWindow>> HeadlessWindowBackend::windows() const
{
    std::vector<std::shared_ptr<NSWindow>> windows;
    for (auto* window : m_windows) {
        if (auto shared = window->weak_from_this().lock())
            windows.push_back(std::move(shared));
    }
    return windows;
}

std::shared_ptr<NSBitmapImageRep> HeadlessWindowBackend::snapshot(NSWindow& window, double scale)
{
    window.layoutIfNeeded();
    CGSize size = window.contentRect().size;
    auto image = NSBitmapImageRep::make(size, scale);
    cairo_t* cr = cairo_create(image->surface());
    cairo_scale(cr, scale, scale);
    CFTimeInterval time = CACurrentMediaTime();
    auto drawn = ViewRenderer::renderWindow(window, cr, time);
    if (auto sheet = window.attachedSheet(); sheet && sheet->isVisible()) {
        // The content's y axis points up; the image's down.
        CGRect frame = window.frameForSheet(*sheet);
        CGRect onImage{frame.minX(), size.height - frame.maxY(), frame.width(), frame.height()};
        drawSheetShadow(cr, onImage);
        // The window's text under the sheet is no longer there to see.
        std::vector<CGRect> visible;
        for (const auto& rect : drawn.textRects)
            appendOutside(rect, {onImage.minX() * scale, onImage.minY() * scale, onImage.width() * scale,
                                 onImage.height() * scale}, visible);
        cairo_translate(cr, onImage.minX(), onImage.minY());
        auto onSheet = ViewRenderer::renderWindow(*sheet, cr, time);
        drawn.unknownGlyphs += onSheet.unknownGlyphs;
        visible.insert(visible.end(), onSheet.textRects.begin(), onSheet.textRects.end());
        drawn.textRects = std::move(visible);
    }
    cairo_destroy(cr);
    image->setUnknownGlyphCount(drawn.unknownGlyphs);
    image->setTextRects(std::move(drawn.textRects));
    return image;
}

void HeadlessWindowBackend::windowOrderedFront(NSWindow& window)
{
    std::erase(m_windows, &window);
    m_windows.push_back(&window);
}

void HeadlessWindowBackend::windowOrderedOut(NSWindow& window)
{
    std::erase(m_windows, &window);
}
