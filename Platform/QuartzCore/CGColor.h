#pragma once

#include "Platform/QuartzCore/CGGeometry.h"

// A colour in the sRGB space, components 0 to 1. Layers hold an optional one:
// no colour draws nothing.
struct CGColor {
    CGFloat red = 0;
    CGFloat green = 0;
    CGFloat blue = 0;
    CGFloat alpha = 1;

    bool operator==(const CGColor&) const = default;
};
