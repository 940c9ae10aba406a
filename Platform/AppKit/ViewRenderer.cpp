#include "Platform/AppKit/ViewRenderer.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>

#include "Platform/AppKit/NSBitmapImageRep.h"
#include "Platform/AppKit/NSControl.h"
#include "Platform/AppKit/NSGraphicsContext.h"
#include "Platform/AppKit/NSImage.h"
#include "Platform/AppKit/NSView.h"
#include "Platform/AppKit/NSWindow.h"
#include "Platform/QuartzCore/CALayer.h"
#include "Platform/QuartzCore/CARenderer.h"

namespace {

struct Pass {
    NSGraphicsContext& context;
    CFTimeInterval time;
    const ViewRenderer::ShownNatively& native;
};

void drawTree(NSView& view, const Pass& pass);

// From the superview's bounds space into the subview's.
void enterSubview(const NSView& view, cairo_t* cr)
{
    const auto& frame = view.frame();
    cairo_translate(cr, frame.minX(), frame.minY());
    auto superview = view.superview();
    if (view.isFlipped() != (superview && superview->isFlipped())) {
        cairo_translate(cr, 0, frame.height());
        cairo_scale(cr, 1, -1);
    }
    cairo_translate(cr, -view.bounds().minX(), -view.bounds().minY());
}

void drawContent(NSView& view, const Pass& pass)
{
    if (pass.native && pass.native(view))
        return;
    cairo_t* cr = pass.context.cgContext();
    cairo_save(cr);
    view.draw(view.bounds());
    cairo_restore(cr);
    view.setNeedsDisplay(false);
    for (const auto& subview : view.subviews()) {
        cairo_save(cr);
        enterSubview(*subview, cr);
        drawTree(*subview, pass);
        cairo_restore(cr);
    }
}

void drawTree(NSView& view, const Pass& pass)
{
    if (view.isHidden())
        return;
    if (const auto& layer = view.layer()) {
        // The layer's geometry is the view's, which is in place already.
        CARenderer::drawLayer(*layer, pass.context.cgContext(), pass.time, [&](cairo_t*) { drawContent(view, pass); });
        return;
    }
    drawContent(view, pass);
}

// A ring in the focus colour just outside the view, following its layer's corners.
void drawFocusRing(NSWindow& window, cairo_t* cr)
{
    auto view = std::dynamic_pointer_cast<NSControl>(window.firstResponder());
    if (!view || !window.isKeyWindow() || !window.showsKeyboardFocus() || view->focusRingType() == NSFocusRingType::none
        || view->isHiddenOrHasHiddenAncestor() || view->window().get() != &window)
        return;
    CGPoint a = view->convertToWindow({view->bounds().minX(), view->bounds().minY()});
    CGPoint b = view->convertToWindow({view->bounds().maxX(), view->bounds().maxY()});
    CGFloat height = window.contentRect().height();
    CGRect ring{std::min(a.x, b.x), height - std::max(a.y, b.y), std::abs(b.x - a.x), std::abs(b.y - a.y)};
    CGFloat radius = view->layer() ? view->layer()->cornerRadius() : 0;
    NSColor color = NSColor::keyboardFocusIndicatorColor();
    CARenderer::addRoundedRect(cr, ring.insetBy(-1.5, -1.5), radius > 0 ? radius + 1.5 : 3);
    cairo_set_source_rgba(cr, color.redComponent(), color.greenComponent(), color.blueComponent(), color.alphaComponent());
    cairo_set_line_width(cr, 3);
    cairo_stroke(cr);
}

}  // namespace

ViewRenderer::Drawn ViewRenderer::render(NSView& view, cairo_t* cr, CFTimeInterval time, const ShownNatively& native)
{
    NSGraphicsContext context(cr);
    NSGraphicsContext::Scope scope(context);
    cairo_save(cr);
    if (!view.isFlipped()) {
        cairo_translate(cr, 0, view.bounds().height());
        cairo_scale(cr, 1, -1);
    }
    cairo_translate(cr, -view.bounds().minX(), -view.bounds().minY());
    drawTree(view, Pass{context, time, native});
    cairo_restore(cr);
    return {context.unknownGlyphCount(), context.textRects()};
}

ViewRenderer::Drawn ViewRenderer::renderWindow(NSWindow& window, cairo_t* cr, CFTimeInterval time,
                                               const ShownNatively& native)
{
    window.layoutIfNeeded();
    fill(cr, {{0, 0}, window.contentRect().size}, window.backgroundColor());
    Drawn drawn = window.contentView() ? render(*window.contentView(), cr, time, native) : Drawn{};
    drawFocusRing(window, cr);
    return drawn;
}

void ViewRenderer::drawImage(const NSImage& image, const CGRect& rect)
{
    auto* context = NSGraphicsContext::current();
    if (!context || rect.isEmpty())
        return;
    cairo_t* cr = context->cgContext();
    double dx = 0, dy = 1;
    cairo_user_to_device_distance(cr, &dx, &dy);
    // Device pixels per point of the rectangle, for the representation that suits it.
    double across = 1, down = 0;
    cairo_user_to_device_distance(cr, &across, &down);
    double pixelsPerPoint = std::hypot(across, down) * rect.width() / std::max(1.0, image.size().width);
    auto decoded = NSBitmapImageRep::fromPNG(image.dataForScale(pixelsPerPoint));
    if (!decoded)
        return;
    double width = decoded->pixelsWide(), height = decoded->pixelsHigh();
    cairo_save(cr);
    if (dy < 0) {
        cairo_translate(cr, rect.minX(), rect.maxY());
        cairo_scale(cr, rect.width() / width, -rect.height() / height);
    } else {
        cairo_translate(cr, rect.minX(), rect.minY());
        cairo_scale(cr, rect.width() / width, rect.height() / height);
    }
    cairo_set_source_surface(cr, decoded->surface(), 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
    cairo_paint(cr);
    cairo_restore(cr);
}

void ViewRenderer::fill(cairo_t* cr, const CGRect& rect, const NSColor& color)
{
    cairo_rectangle(cr, rect.minX(), rect.minY(), rect.width(), rect.height());
    cairo_set_source_rgba(cr, color.redComponent(), color.greenComponent(), color.blueComponent(), color.alphaComponent());
    cairo_fill(cr);
}
