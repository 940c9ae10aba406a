#pragma once

#include <array>
#include <memory>
#include <vector>

#include "Platform/QuartzCore/CGGeometry.h"

// A path built the AppKit way, with arcs given in degrees. Arcs become cubic
// curves of at most a quarter turn each.
class NSBezierPath {
public:
    // The platform's raw values.
    enum class ElementType : int {
        moveTo = 0,
        lineTo = 1,
        curveTo = 2,
        closePath = 3,
    };

    void move(CGPoint to);
    void line(CGPoint to);
    void curve(CGPoint to, CGPoint controlPoint1, CGPoint controlPoint2);
    void close();
    // An arc around `center` from `startAngle` to `endAngle` (degrees, 0 along
    // +x); counter-clockwise (angles growing) unless `clockwise`. It starts with
    // a move on an empty path, else with a line from the current point.
    void appendArc(CGPoint center, CGFloat radius, CGFloat startAngle, CGFloat endAngle, bool clockwise);

    size_t elementCount() const { return m_elements.size(); }
    // The element's kind; `points` gets its points (one for a move or line,
    // two control points then the end for a curve, none for a close).
    ElementType element(size_t index, CGPoint* points) const;

private:
    struct Element {
        ElementType type;
        std::array<CGPoint, 3> points;
    };
    std::vector<Element> m_elements;
};
