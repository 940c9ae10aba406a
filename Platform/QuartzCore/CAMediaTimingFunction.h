#pragma once

#include "Platform/QuartzCore/CGGeometry.h"

// How an animation's progress through one cycle maps to its value's progress:
// a cubic Bézier curve from (0, 0) to (1, 1) with two control points.
class CAMediaTimingFunction {
public:
    enum class Name { linear, easeIn, easeOut, easeInEaseOut };

    explicit CAMediaTimingFunction(Name name);
    CAMediaTimingFunction(CGFloat c1x, CGFloat c1y, CGFloat c2x, CGFloat c2y);

    // The eased progress for a progress `x` between 0 and 1.
    CGFloat evaluate(CGFloat x) const;

    bool operator==(const CAMediaTimingFunction&) const = default;

private:
    CGFloat m_c1x, m_c1y, m_c2x, m_c2y;
};
