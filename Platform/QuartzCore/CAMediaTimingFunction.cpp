#include "Platform/QuartzCore/CAMediaTimingFunction.h"

#include <cmath>

namespace {

struct ControlPoints {
    CGFloat c1x, c1y, c2x, c2y;
};

ControlPoints pointsFor(CAMediaTimingFunction::Name name)
{
    switch (name) {
    case CAMediaTimingFunction::Name::easeIn: return {0.42, 0, 1, 1};
    case CAMediaTimingFunction::Name::easeOut: return {0, 0, 0.58, 1};
    case CAMediaTimingFunction::Name::easeInEaseOut: return {0.42, 0, 0.58, 1};
    case CAMediaTimingFunction::Name::linear: break;
    }
    return {0, 0, 1, 1};
}

// One coordinate of the curve at parameter s, its ends fixed at 0 and 1.
CGFloat bezier(CGFloat s, CGFloat p1, CGFloat p2)
{
    CGFloat r = 1 - s;
    return 3 * r * r * s * p1 + 3 * r * s * s * p2 + s * s * s;
}

CGFloat bezierSlope(CGFloat s, CGFloat p1, CGFloat p2)
{
    CGFloat r = 1 - s;
    return 3 * r * r * p1 + 6 * r * s * (p2 - p1) + 3 * s * s * (1 - p2);
}

}  // namespace

CAMediaTimingFunction::CAMediaTimingFunction(Name name)
{
    auto points = pointsFor(name);
    m_c1x = points.c1x;
    m_c1y = points.c1y;
    m_c2x = points.c2x;
    m_c2y = points.c2y;
}

CAMediaTimingFunction::CAMediaTimingFunction(CGFloat c1x, CGFloat c1y, CGFloat c2x, CGFloat c2y)
    : m_c1x(c1x), m_c1y(c1y), m_c2x(c2x), m_c2y(c2y)
{
}

CGFloat CAMediaTimingFunction::evaluate(CGFloat x) const
{
    if (x <= 0)
        return 0;
    if (x >= 1)
        return 1;
    // Find the curve parameter whose x is `x`: Newton's steps, with bisection
    // when the slope is too flat to trust.
    CGFloat s = x;
    for (int step = 0; step < 8; ++step) {
        CGFloat error = bezier(s, m_c1x, m_c2x) - x;
        if (std::abs(error) < 1e-9)
            return bezier(s, m_c1y, m_c2y);
        CGFloat slope = bezierSlope(s, m_c1x, m_c2x);
        if (std::abs(slope) < 1e-6)
            break;
        s -= error / slope;
    }
    CGFloat low = 0, high = 1;
    s = x;
    for (int step = 0; step < 60; ++step) {
        CGFloat value = bezier(s, m_c1x, m_c2x);
        if (std::abs(value - x) < 1e-9)
            break;
        (value < x ? low : high) = s;
        s = (low + high) / 2;
    }
    return bezier(s, m_c1y, m_c2y);
}
