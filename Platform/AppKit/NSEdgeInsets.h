#pragma once

#include "Platform/QuartzCore/CGGeometry.h"

struct NSEdgeInsets {
    CGFloat top = 0;
    CGFloat left = 0;
    CGFloat bottom = 0;
    CGFloat right = 0;

    bool operator==(const NSEdgeInsets&) const = default;
};
