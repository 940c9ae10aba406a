#pragma once

#include <cmath>

#include "Platform/QuartzCore/CGGeometry.h"

// A 2-D affine map: x' = a x + c y + tx, y' = b x + d y + ty.
struct CGAffineTransform {
    CGFloat a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;

    bool operator==(const CGAffineTransform&) const = default;

    static CGAffineTransform identity() { return {}; }
    static CGAffineTransform rotation(CGFloat angle)
    {
        return {std::cos(angle), std::sin(angle), -std::sin(angle), std::cos(angle), 0, 0};
    }
    static CGAffineTransform translation(CGFloat x, CGFloat y) { return {1, 0, 0, 1, x, y}; }
    static CGAffineTransform scale(CGFloat x, CGFloat y) { return {x, 0, 0, y, 0, 0}; }

    bool isIdentity() const { return *this == identity(); }

    // This map first, then `next`.
    CGAffineTransform concatenating(const CGAffineTransform& next) const
    {
        return {a * next.a + b * next.c,   a * next.b + b * next.d,   c * next.a + d * next.c,
                c * next.b + d * next.d,   tx * next.a + ty * next.c + next.tx, tx * next.b + ty * next.d + next.ty};
    }
    CGPoint apply(CGPoint p) const { return {a * p.x + c * p.y + tx, b * p.x + d * p.y + ty}; }
    // The smallest rectangle holding the mapped corners.
    CGRect apply(const CGRect& r) const
    {
        CGPoint corners[4] = {apply(CGPoint{r.minX(), r.minY()}), apply(CGPoint{r.maxX(), r.minY()}),
                              apply(CGPoint{r.minX(), r.maxY()}), apply(CGPoint{r.maxX(), r.maxY()})};
        CGFloat left = corners[0].x, right = corners[0].x, bottom = corners[0].y, top = corners[0].y;
        for (const auto& corner : corners) {
            left = std::fmin(left, corner.x);
            right = std::fmax(right, corner.x);
            bottom = std::fmin(bottom, corner.y);
            top = std::fmax(top, corner.y);
        }
        return {left, bottom, right - left, top - bottom};
    }
    // The angle the map turns the x axis by; what "transform.rotation" reads.
    CGFloat rotationAngle() const { return std::atan2(b, a); }
};
