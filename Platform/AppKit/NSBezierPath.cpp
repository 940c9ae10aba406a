#include "Platform/AppKit/NSBezierPath.h"

#include <cmath>

void NSBezierPath::move(CGPoint to)
{
    m_elements.push_back({ElementType::moveTo, {to}});
}

void NSBezierPath::line(CGPoint to)
{
    m_elements.push_back({ElementType::lineTo, {to}});
}

void NSBezierPath::curve(CGPoint to, CGPoint controlPoint1, CGPoint controlPoint2)
{
    m_elements.push_back({ElementType::curveTo, {controlPoint1, controlPoint2, to}});
}

void NSBezierPath::close()
{
    m_elements.push_back({ElementType::closePath, {}});
}

void NSBezierPath::appendArc(CGPoint center, CGFloat radius, CGFloat startAngle, CGFloat endAngle, bool clockwise)
{
    // The sweep goes the asked way round, at most one whole turn.
    CGFloat sweep = endAngle - startAngle;
    if (!clockwise) {
        while (sweep < 0)
            sweep += 360;
        sweep = std::fmin(sweep, 360);
    } else {
        while (sweep > 0)
            sweep -= 360;
        sweep = std::fmax(sweep, -360);
    }
    auto at = [&](CGFloat degrees) {
        CGFloat radians = degrees * M_PI / 180;
        return CGPoint{center.x + radius * std::cos(radians), center.y + radius * std::sin(radians)};
    };
    CGPoint first = at(startAngle);
    if (m_elements.empty())
        move(first);
    else
        line(first);
    int pieces = std::max(1, static_cast<int>(std::ceil(std::abs(sweep) / 90 - 1e-9)));
    CGFloat step = sweep / pieces;
    // Control points at the tangent distance 4/3·tan(θ/4)·r from each end.
    CGFloat handle = 4.0 / 3.0 * std::tan(step * M_PI / 180 / 4) * radius;
    for (int piece = 0; piece < pieces; ++piece) {
        CGFloat from = (startAngle + step * piece) * M_PI / 180;
        CGFloat to = (startAngle + step * (piece + 1)) * M_PI / 180;
        CGPoint p0 = at(startAngle + step * piece), p3 = at(startAngle + step * (piece + 1));
        CGPoint c1{p0.x - handle * std::sin(from), p0.y + handle * std::cos(from)};
        CGPoint c2{p3.x + handle * std::sin(to), p3.y - handle * std::cos(to)};
        curve(p3, c1, c2);
    }
}

NSBezierPath::ElementType NSBezierPath::element(size_t index, CGPoint* points) const
{
    const auto& element = m_elements.at(index);
    if (points) {
        size_t count = element.type == ElementType::curveTo ? 3 : element.type == ElementType::closePath ? 0 : 1;
        for (size_t i = 0; i < count; ++i)
            points[i] = element.points[i];
    }
    return element.type;
}
