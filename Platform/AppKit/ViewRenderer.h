#pragma once

#include <functional>
#include <vector>

#include "Platform/AppKit/NSColor.h"
#include "Platform/QuartzCore/CGGeometry.h"

typedef struct _cairo cairo_t;
class NSImage;
class NSView;
class NSWindow;

// Draws a view and everything below it with cairo, as it looks at a media
// time: each view's layer background, its own drawing, its subviews, its
// layer's other sublayers, then the layer's border. Works on any cairo surface:
// images for tests, a window's surface for a desktop backend.
class ViewRenderer {
public:
    // Views that a desktop backend shows with widgets of its own (the text
    // fields it edits in native entries): of these the renderer draws the
    // layer (background, border) and leaves the rest to the widget.
    using ShownNatively = std::function<bool(const NSView&)>;

    // What a drawing pass tells besides its pixels.
    struct Drawn {
        // Characters no font could draw (boxes on the surface).
        int unknownGlyphs = 0;
        // Where text went, in the surface's pixels.
        std::vector<CGRect> textRects;
    };

    // `cr`'s user space has the view's top-left corner at the origin and y
    // pointing down, one unit per point (scale the context for more pixels).
    static Drawn render(NSView& view, cairo_t* cr, CFTimeInterval time, const ShownNatively& native = {});
    // A window's content as its own surface shows it: the window's background,
    // then the content view (laid out first), then the focus ring of its
    // first responder once the keyboard moved the focus there. Its sheets are
    // windows of their own.
    static Drawn renderWindow(NSWindow& window, cairo_t* cr, CFTimeInterval time, const ShownNatively& native = {});

    // Helpers for views' drawing in the current graphics context.
    // A PNG image (decoded by cairo) scaled into the rectangle, upright.
    static void drawImage(const NSImage& image, const CGRect& rect);
    static void fill(cairo_t* cr, const CGRect& rect, const NSColor& color);
};
