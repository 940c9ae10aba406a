#pragma once

#include <memory>
#include <vector>

#include "Platform/QuartzCore/CGGeometry.h"

class NSLayoutConstraint;
class NSView;

// The settings app's constraints in the Tethra style: one view's edges and
// sizes against its superview and its siblings, each call adding an active
// constraint and handing the anchors back for the next. The view must already
// be in its superview; it is then placed by constraints only.
//
//     TethraAnchors(autoManagerBtn).below(loginItemEnabledBtn, 10).left(30).height(28).widthEqual(manualManagerBtn);
class TethraAnchors {
public:
    explicit TethraAnchors(std::shared_ptr<NSView> view);

    // Distances from the superview's edges, inward.
    TethraAnchors& top(CGFloat inset);
    TethraAnchors& left(CGFloat inset);
    TethraAnchors& right(CGFloat inset);
    TethraAnchors& bottom(CGFloat inset);
    TethraAnchors& width(CGFloat width);
    TethraAnchors& height(CGFloat height);
    // The top `spacing` below a sibling's bottom edge.
    TethraAnchors& below(const std::shared_ptr<NSView>& view, CGFloat spacing);
    // The left edge `spacing` after a sibling's right edge.
    TethraAnchors& after(const std::shared_ptr<NSView>& view, CGFloat spacing);
    TethraAnchors& widthEqual(const std::shared_ptr<NSView>& view);

    const std::vector<std::shared_ptr<NSLayoutConstraint>>& constraints() const { return m_constraints; }

private:
    TethraAnchors& add(std::shared_ptr<NSLayoutConstraint> constraint);

    std::shared_ptr<NSView> m_view;
    std::vector<std::shared_ptr<NSLayoutConstraint>> m_constraints;
};
