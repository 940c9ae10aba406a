#pragma once

#include <cairo.h>

#include <cstdint>
#include <cstring>

#include "Platform/AppKit/NSBitmapImageRep.h"

// The colour of one pixel of an image, not premultiplied; (0, 0) is the
// top-left pixel, and one outside the image is clear.
inline NSColor pixelColor(const NSBitmapImageRep& image, int x, int y)
{
    if (x < 0 || y < 0 || x >= image.pixelsWide() || y >= image.pixelsHigh())
        return NSColor::clear();
    cairo_surface_flush(image.surface());
    const unsigned char* row = cairo_image_surface_get_data(image.surface()) + y * cairo_image_surface_get_stride(image.surface());
    std::uint32_t pixel = 0;
    std::memcpy(&pixel, row + x * 4, 4);
    double alpha = (pixel >> 24 & 0xFF) / 255.0;
    if (alpha == 0)
        return NSColor::clear();
    auto channel = [&](int shift) { return (pixel >> shift & 0xFF) / 255.0 / alpha; };
    return {channel(16), channel(8), channel(0), alpha};
}
