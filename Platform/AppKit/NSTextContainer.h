#pragma once

#include "Platform/QuartzCore/CGGeometry.h"

// The area a text view lays its text out in.
class NSTextContainer {
public:
    // Kept free at each end of every line.
    CGFloat lineFragmentPadding() const { return m_lineFragmentPadding; }

private:
    CGFloat m_lineFragmentPadding = 5;
};
