#pragma once

#include <algorithm>
#include <cmath>

// Core Graphics geometry as the views and layers use it: points in a y-up
// space unless a view says it is flipped.
using CGFloat = double;
using CFTimeInterval = double;

struct CGPoint {
    CGFloat x = 0;
    CGFloat y = 0;

    bool operator==(const CGPoint&) const = default;
};

struct CGSize {
    CGFloat width = 0;
    CGFloat height = 0;

    bool operator==(const CGSize&) const = default;
};

struct CGRect {
    CGPoint origin;
    CGSize size;

    CGRect() = default;
    CGRect(CGFloat x, CGFloat y, CGFloat width, CGFloat height)
        : origin{x, y}, size{width, height}
    {
    }
    CGRect(CGPoint origin, CGSize size)
        : origin(origin), size(size)
    {
    }

    bool operator==(const CGRect&) const = default;

    CGFloat width() const { return std::abs(size.width); }
    CGFloat height() const { return std::abs(size.height); }
    CGFloat minX() const { return std::min(origin.x, origin.x + size.width); }
    CGFloat maxX() const { return std::max(origin.x, origin.x + size.width); }
    CGFloat midX() const { return origin.x + size.width / 2; }
    CGFloat minY() const { return std::min(origin.y, origin.y + size.height); }
    CGFloat maxY() const { return std::max(origin.y, origin.y + size.height); }
    CGFloat midY() const { return origin.y + size.height / 2; }
    bool isEmpty() const { return size.width == 0 || size.height == 0; }

    // Half-open, as hit testing on the platform: the top and right edges are outside.
    bool contains(CGPoint point) const
    {
        return point.x >= minX() && point.x < maxX() && point.y >= minY() && point.y < maxY();
    }
    CGRect insetBy(CGFloat dx, CGFloat dy) const
    {
        return {minX() + dx, minY() + dy, width() - 2 * dx, height() - 2 * dy};
    }
    CGRect offsetBy(CGFloat dx, CGFloat dy) const { return {origin.x + dx, origin.y + dy, size.width, size.height}; }
    // The empty rectangle at the origin when the two do not meet.
    CGRect intersection(const CGRect& other) const
    {
        CGFloat left = std::max(minX(), other.minX());
        CGFloat bottom = std::max(minY(), other.minY());
        CGFloat right = std::min(maxX(), other.maxX());
        CGFloat top = std::min(maxY(), other.maxY());
        if (right <= left || top <= bottom)
            return {};
        return {left, bottom, right - left, top - bottom};
    }
};
