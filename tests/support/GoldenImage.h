#pragma once

#include <gtest/gtest.h>

#include <cairo.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "Platform/AppKit/NSBitmapImageRep.h"
#include "Platform/Foundation/FileManager.h"

// Compares a drawing with its reference image, tests/unit/<folder>/golden/<name>.png,
// drawn at two pixels per point. A pixel differs when one of its channels is
// further off than 24; an image matches while at most 0.5% of its pixels
// differ (font rasterisation may move by a fraction of a pixel between
// library versions). Characters drawn as boxes always fail. With
// PARVEX_UPDATE_GOLDENS=1 (scripts/update-goldens) the reference is redrawn.
namespace golden {

inline constexpr double scale = 2;
inline constexpr int channelTolerance = 24;
inline constexpr double pixelShareTolerance = 0.005;

inline std::string path(const std::string& folder, const std::string& name)
{
    return std::string(PARVEX_SOURCE_DIR) + "/tests/unit/" + folder + "/golden/" + name + ".png";
}

inline int differingPixels(const NSBitmapImageRep& a, const NSBitmapImageRep& b)
{
    cairo_surface_flush(a.surface());
    cairo_surface_flush(b.surface());
    int differing = 0;
    for (int y = 0; y < a.pixelsHigh(); ++y) {
        const auto* rowA = cairo_image_surface_get_data(a.surface()) + y * cairo_image_surface_get_stride(a.surface());
        const auto* rowB = cairo_image_surface_get_data(b.surface()) + y * cairo_image_surface_get_stride(b.surface());
        for (int x = 0; x < a.pixelsWide() * 4; x += 4) {
            for (int channel = 0; channel < 4; ++channel) {
                if (std::abs(rowA[x + channel] - rowB[x + channel]) > channelTolerance) {
                    ++differing;
                    break;
                }
            }
        }
    }
    return differing;
}

inline void expectMatches(const NSBitmapImageRep& image, const std::string& folder, const std::string& name)
{
    std::string reference = path(folder, name);
    EXPECT_EQ(image.unknownGlyphCount(), 0) << name << ": text drew boxes for characters no font has";
    const char* update = std::getenv("PARVEX_UPDATE_GOLDENS");
    if (update && std::strcmp(update, "1") == 0) {
        ASSERT_TRUE(image.writePNG(reference)) << reference;
        return;
    }
    auto data = FileManager::contents(reference);
    ASSERT_TRUE(data) << reference << " is missing: run scripts/update-goldens";
    auto expected = NSBitmapImageRep::fromPNG(*data, image.scale());
    ASSERT_TRUE(expected);
    ASSERT_EQ(expected->pixelsWide(), image.pixelsWide()) << name;
    ASSERT_EQ(expected->pixelsHigh(), image.pixelsHigh()) << name;
    int differing = differingPixels(image, *expected);
    if (differing > pixelShareTolerance * image.pixelsWide() * image.pixelsHigh()) {
        std::string failures = std::string(PARVEX_BINARY_DIR) + "/golden-failures";
        std::filesystem::create_directories(failures);
        (void)image.writePNG(failures + "/" + name + ".png");
        ADD_FAILURE() << name << ": " << differing << " pixels differ from " << reference << "; drawn now: " << failures
                      << "/" << name << ".png";
    }
}

}  // namespace golden
