#include "Platform/AppKit/NSView.h"

#include <cairo.h>

#include <algorithm>

#include "Platform/AppKit/LayoutSolver.h"
#include "Platform/AppKit/NSBitmapImageRep.h"
#include "Platform/AppKit/NSCoder.h"
#include "Platform/AppKit/NSLayoutConstraint.h"
#include "Platform/AppKit/NSTrackingArea.h"
#include "Platform/AppKit/NSViewController.h"
#include "Platform/AppKit/NSWindow.h"
#include "Platform/AppKit/ViewRenderer.h"
#include "Platform/QuartzCore/CALayer.h"
#include "Platform/QuartzCore/CATransaction.h"
#include "Platform/QuartzCore/MediaClock.h"

namespace {

// A point of the superview's space (or the window's, for a view without a
// superview) in the view's own space, and back. A view whose flipping differs
// from its superview's sees the y axis turned over.
bool flipsAgainstSuperview(const NSView& view)
{
    auto superview = view.superview();
    return view.isFlipped() != (superview && superview->isFlipped());
}

CGPoint fromSuperview(const NSView& view, CGPoint point)
{
    const auto& frame = view.frame();
    const auto& bounds = view.bounds();
    CGFloat y = flipsAgainstSuperview(view) ? frame.maxY() - point.y : point.y - frame.minY();
    return {point.x - frame.minX() + bounds.minX(), y + bounds.minY()};
}

CGPoint toSuperview(const NSView& view, CGPoint point)
{
    const auto& frame = view.frame();
    const auto& bounds = view.bounds();
    CGFloat y = point.y - bounds.minY();
    return {point.x - bounds.minX() + frame.minX(), flipsAgainstSuperview(view) ? frame.maxY() - y : frame.minY() + y};
}

}  // namespace

NSView::NSView(const CGRect& frame)
    : m_frame(frame), m_bounds(0, 0, frame.size.width, frame.size.height)
{
}

NSView::NSView(const NSCoder& coder)
    : NSView(coder.decodeRect("NSFrame"))
{
    m_fromArchive = true;
}

NSView::~NSView()
{
    for (auto& subview : m_subviews)
        subview->m_superview.reset();
}

void NSView::setFrame(const CGRect& frame)
{
    if (frame == m_frame)
        return;
    bool resized = frame.size != m_frame.size;
    m_frame = frame;
    if (resized) {
        m_bounds.size = frame.size;
        setNeedsLayout(true);
    }
    if (m_layer) {
        m_layer->setFrame(m_frame);
        m_layer->setBounds(m_bounds);
    }
    setNeedsDisplay(true);
}

CGRect NSView::visibleRect() const
{
    if (m_hidden)
        return {};
    auto inWindow = [](const NSView& view, const CGRect& rect) {
        CGPoint a = view.convertToWindow({rect.minX(), rect.minY()});
        CGPoint b = view.convertToWindow({rect.maxX(), rect.maxY()});
        return CGRect{std::min(a.x, b.x), std::min(a.y, b.y), std::abs(b.x - a.x), std::abs(b.y - a.y)};
    };
    CGRect visible = inWindow(*this, m_bounds);
    for (auto view = superview(); view; view = view->superview())
        visible = visible.intersection(inWindow(*view, view->bounds()));
    if (visible.isEmpty())
        return {};
    CGPoint a = convert({visible.minX(), visible.minY()}, nullptr);
    CGPoint b = convert({visible.maxX(), visible.maxY()}, nullptr);
    return {std::min(a.x, b.x), std::min(a.y, b.y), std::abs(b.x - a.x), std::abs(b.y - a.y)};
}

void NSView::addSubview(const std::shared_ptr<NSView>& view)
{
    if (!view || view.get() == this || isDescendant(*view))
        return;
    auto keep = view;
    view->removeFromSuperview();
    m_subviews.push_back(view);
    view->m_superview = weak_from_this();
    view->setWindow(m_window);
    setNeedsLayout(true);
    setNeedsDisplay(true);
}

void NSView::removeFromSuperview()
{
    auto parent = m_superview.lock();
    if (!parent)
        return;
    auto keep = shared_from_this();
    m_superview.reset();
    std::erase_if(parent->m_subviews, [this](const auto& view) { return view.get() == this; });
    // Constraints between this view and its old neighbours go with it.
    std::erase_if(parent->m_constraints, [this](const auto& constraint) { return constraint->involves(*this); });
    setWindow({});
    parent->setNeedsLayout(true);
    parent->setNeedsDisplay(true);
}

bool NSView::isDescendant(const NSView& ancestor) const
{
    for (const NSView* view = this; view; view = view->m_superview.lock().get()) {
        if (view == &ancestor)
            return true;
    }
    return false;
}

std::shared_ptr<NSResponder> NSView::nextResponder() const
{
    if (auto parent = superview())
        return parent;
    return window();
}

void NSView::setWindow(const std::weak_ptr<NSWindow>& window)
{
    auto old = m_window.lock();
    auto attached = window.lock();
    bool changed = old != attached;
    m_window = window;
    for (auto& subview : std::vector(m_subviews))
        subview->setWindow(window);
    if (changed) {
        if (attached)
            attached->setViewsNeedLayout();
        bool wasShown = old && old->isVisible();
        bool shown = attached && attached->isVisible();
        if (wasShown != shown) {
            if (auto controller = m_viewController.lock())
                controller->noteShown(shown);
        }
    }
}

void NSView::noteShown(bool shown)
{
    auto keep = shared_from_this();
    if (auto controller = m_viewController.lock())
        controller->noteShown(shown);
    for (auto& subview : std::vector(m_subviews))
        subview->noteShown(shown);
}

void NSView::setHidden(bool hidden)
{
    if (hidden == m_hidden)
        return;
    m_hidden = hidden;
    if (m_layer)
        m_layer->setHidden(hidden);
    setNeedsDisplay(true);
}

bool NSView::isHiddenOrHasHiddenAncestor() const
{
    for (const NSView* view = this; view; view = view->m_superview.lock().get()) {
        if (view->m_hidden)
            return true;
    }
    return false;
}

void NSView::setWantsLayer(bool wants)
{
    if (wants && !m_layer) {
        m_layer = makeBackingLayer();
        m_layer->setFrame(m_frame);
        m_layer->setBounds(m_bounds);
        m_layer->setHidden(m_hidden);
    }
    setNeedsDisplay(true);
}

std::shared_ptr<CALayer> NSView::makeBackingLayer()
{
    return CALayer::layer();
}

std::shared_ptr<NSView> NSView::hitTest(CGPoint point)
{
    if (m_hidden || !m_frame.contains(point))
        return nullptr;
    CGPoint local = fromSuperview(*this, point);
    for (auto subview = m_subviews.rbegin(); subview != m_subviews.rend(); ++subview) {
        if (auto hit = (*subview)->hitTest(local))
            return hit;
    }
    return shared_from_this();
}

CGPoint NSView::convertToWindow(CGPoint point) const
{
    for (const NSView* view = this; view; view = view->m_superview.lock().get())
        point = toSuperview(*view, point);
    return point;
}

CGPoint NSView::convert(CGPoint point, const NSView* view) const
{
    if (view)
        point = view->convertToWindow(point);
    std::vector<const NSView*> chain;
    for (const NSView* ancestor = this; ancestor; ancestor = ancestor->m_superview.lock().get())
        chain.push_back(ancestor);
    for (auto ancestor = chain.rbegin(); ancestor != chain.rend(); ++ancestor)
        point = fromSuperview(**ancestor, point);
    return point;
}

void NSView::addTrackingArea(const std::shared_ptr<NSTrackingArea>& area)
{
    if (area && std::find(m_trackingAreas.begin(), m_trackingAreas.end(), area) == m_trackingAreas.end())
        m_trackingAreas.push_back(area);
}

void NSView::setNeedsDisplay(bool needs)
{
    if (needs)
        CATransaction::noteChange();
}

void NSView::draw(const CGRect&)
{
}

void NSView::cacheDisplay(const CGRect& rect, NSBitmapImageRep& image)
{
    cairo_t* cr = cairo_create(image.surface());
    cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
    cairo_paint(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    cairo_scale(cr, image.scale(), image.scale());
    // The rectangle's top-left corner goes to the image's.
    CGFloat top = isFlipped() ? rect.minY() - m_bounds.minY() : m_bounds.maxY() - rect.maxY();
    cairo_translate(cr, -(rect.minX() - m_bounds.minX()), -top);
    auto drawn = ViewRenderer::render(*this, cr, CACurrentMediaTime());
    image.setUnknownGlyphCount(drawn.unknownGlyphs);
    image.setTextRects(std::move(drawn.textRects));
    cairo_destroy(cr);
}

void NSView::setTranslatesAutoresizingMaskIntoConstraints(bool translates)
{
    m_translatesAutoresizingMask = translates;
    if (auto parent = superview())
        parent->setNeedsLayout(true);
}

void NSView::addConstraint(const std::shared_ptr<NSLayoutConstraint>& constraint)
{
    if (constraint && std::find(m_constraints.begin(), m_constraints.end(), constraint) == m_constraints.end())
        m_constraints.push_back(constraint);
    setNeedsLayout(true);
}

void NSView::setNeedsLayout(bool needs)
{
    if (auto attached = window(); needs && attached)
        attached->setViewsNeedLayout();
}

void NSView::layoutSubtreeIfNeeded()
{
    layout();
    auto subviews = m_subviews;
    for (auto& subview : subviews)
        subview->layoutSubtreeIfNeeded();
}

void NSView::layout()
{
    LayoutSolver::layOut(*this);
}

std::optional<NSColor> NSView::colorValue(std::string_view) const
{
    return std::nullopt;
}

bool NSView::setColorValue(std::optional<NSColor>, std::string_view)
{
    return false;
}

std::optional<double> NSView::numberValue(std::string_view) const
{
    return std::nullopt;
}

bool NSView::setNumberValue(double, std::string_view)
{
    return false;
}

bool NSView::canBecomeKeyView() const
{
    return window() && !isHiddenOrHasHiddenAncestor() && acceptsFirstResponder();
}
