#pragma once

#include <algorithm>

#include "Platform/AppKit/NSColor.h"

// The utility kit's colours: from components on the 0 to 255 scale (divided
// by 255; larger values count as 255), and greys of one level.
class KitColor {
public:
    static NSColor rgb(unsigned red, unsigned green, unsigned blue, CGFloat alpha = 1.0)
    {
        return NSColor::srgb(scaled(red), scaled(green), scaled(blue), alpha);
    }
    static NSColor grey(unsigned level, CGFloat alpha = 1.0) { return rgb(level, level, level, alpha); }

private:
    static CGFloat scaled(unsigned component) { return std::min(component, 255u) / 255.0; }
};
