#pragma once

#include <array>
#include <vector>

#include "Platform/QuartzCore/CGGeometry.h"

// A path as a list of elements. Immutable once built; CGMutablePath builds one.
class CGPath {
public:
    enum class ElementType {
        moveToPoint = 0,
        addLineToPoint = 1,
        addQuadCurveToPoint = 2,
        addCurveToPoint = 3,
        closeSubpath = 4,
    };
    struct Element {
        ElementType type;
        // As many as the type uses: one for a move or line, control points then
        // the end point for curves, none for a close.
        std::array<CGPoint, 3> points{};

        bool operator==(const Element&) const = default;
    };

    const std::vector<Element>& elements() const { return m_elements; }
    bool isEmpty() const { return m_elements.empty(); }
    bool operator==(const CGPath&) const = default;

protected:
    std::vector<Element> m_elements;
};

class CGMutablePath : public CGPath {
public:
    void move(CGPoint to) { m_elements.push_back({ElementType::moveToPoint, {to}}); }
    void addLine(CGPoint to) { m_elements.push_back({ElementType::addLineToPoint, {to}}); }
    void addCurve(CGPoint to, CGPoint control1, CGPoint control2)
    {
        m_elements.push_back({ElementType::addCurveToPoint, {control1, control2, to}});
    }
    void closeSubpath() { m_elements.push_back({ElementType::closeSubpath, {}}); }
};
