#pragma once

#include <gtest/gtest.h>

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "Platform/AppKit/NSBitmapImageRep.h"
#include "Platform/Foundation/FileManager.h"

// Compares a drawing with its reference image, tests/unit/<folder>/golden/<name>.png,
// drawn at two pixels per point. Fills, borders and pictures come out the same
// with any version of cairo: there every channel of every pixel must be within
// 2 of the reference. Only where the drawing put text (the image's text
// rectangles, a line each, widened by a pixel) may anti-aliased edges differ
// between versions of the text libraries: a channel may be off by up to 24,
// and no more than 1% of a line's pixels by more. Characters drawn as boxes
// always fail. With PARVEX_UPDATE_GOLDENS=1 (scripts/update-goldens) the
// reference is redrawn instead.
namespace golden {

inline constexpr double scale = 2;
inline constexpr int exactTolerance = 2;
inline constexpr int textEdgeTolerance = 24;
inline constexpr double textEdgeShare = 0.01;

inline std::string path(const std::string& folder, const std::string& name)
{
    return std::string(PARVEX_SOURCE_DIR) + "/tests/unit/" + folder + "/golden/" + name + ".png";
}

// The largest difference of one channel, pixel by pixel, row after row.
inline std::vector<int> channelDifferences(const NSBitmapImageRep& a, const NSBitmapImageRep& b)
{
    cairo_surface_flush(a.surface());
    cairo_surface_flush(b.surface());
    std::vector<int> differences;
    differences.reserve(static_cast<size_t>(a.pixelsWide()) * a.pixelsHigh());
    for (int y = 0; y < a.pixelsHigh(); ++y) {
        const auto* rowA = cairo_image_surface_get_data(a.surface()) + y * cairo_image_surface_get_stride(a.surface());
        const auto* rowB = cairo_image_surface_get_data(b.surface()) + y * cairo_image_surface_get_stride(b.surface());
        for (int x = 0; x < a.pixelsWide() * 4; x += 4) {
            int largest = 0;
            for (int channel = 0; channel < 4; ++channel)
                largest = std::max(largest, std::abs(rowA[x + channel] - rowB[x + channel]));
            differences.push_back(largest);
        }
    }
    return differences;
}

// What differs beyond the tolerances, one line per fault; empty when the
// drawing matches.
inline std::string faults(const NSBitmapImageRep& image, const NSBitmapImageRep& expected)
{
    int wide = image.pixelsWide(), high = image.pixelsHigh();
    auto differences = channelDifferences(image, expected);
    std::vector<CGRect> texts;
    std::vector<bool> inText(differences.size(), false);
    for (const auto& rect : image.textRects()) {
        int left = std::max(0, static_cast<int>(std::floor(rect.minX())) - 1);
        int top = std::max(0, static_cast<int>(std::floor(rect.minY())) - 1);
        int right = std::min(wide, static_cast<int>(std::ceil(rect.maxX())) + 1);
        int bottom = std::min(high, static_cast<int>(std::ceil(rect.maxY())) + 1);
        if (right <= left || bottom <= top)
            continue;
        texts.push_back({static_cast<CGFloat>(left), static_cast<CGFloat>(top), static_cast<CGFloat>(right - left),
                         static_cast<CGFloat>(bottom - top)});
        for (int y = top; y < bottom; ++y)
            std::fill_n(inText.begin() + y * wide + left, right - left, true);
    }

    std::ostringstream out;
    int outside = 0, firstX = 0, firstY = 0, largest = 0;
    for (int y = 0; y < high; ++y) {
        for (int x = 0; x < wide; ++x) {
            int difference = differences[y * wide + x];
            if (inText[y * wide + x] || difference <= exactTolerance)
                continue;
            if (outside++ == 0)
                firstX = x, firstY = y;
            largest = std::max(largest, difference);
        }
    }
    if (outside > 0)
        out << outside << " pixels away from text differ by more than " << exactTolerance << " (up to " << largest
            << "), the first at x " << firstX << ", y " << firstY << "\n";
    for (const auto& text : texts) {
        int pixels = 0, differing = 0;
        for (int y = static_cast<int>(text.minY()); y < static_cast<int>(text.maxY()); ++y) {
            for (int x = static_cast<int>(text.minX()); x < static_cast<int>(text.maxX()); ++x) {
                ++pixels;
                differing += differences[y * wide + x] > textEdgeTolerance;
            }
        }
        if (differing > textEdgeShare * pixels)
            out << "text at x " << text.minX() << ", y " << text.minY() << " (" << text.width() << " by "
                << text.height() << "): " << differing << " of its " << pixels << " pixels differ by more than "
                << textEdgeTolerance << "\n";
    }
    return out.str();
}

// A screenshot holds no record of where text went: there the pixels that are
// edges in the reference (a neighbour differs by more than 32 in a channel)
// get the text's tolerance, and up to 1% of them may be further off.
inline std::string screenshotFaults(const NSBitmapImageRep& image, const NSBitmapImageRep& expected)
{
    int wide = image.pixelsWide(), high = image.pixelsHigh();
    auto differences = channelDifferences(image, expected);
    const auto* data = cairo_image_surface_get_data(expected.surface());
    int stride = cairo_image_surface_get_stride(expected.surface());
    auto isEdge = [&](int x, int y) {
        for (int ny = std::max(0, y - 1); ny <= std::min(high - 1, y + 1); ++ny) {
            for (int nx = std::max(0, x - 1); nx <= std::min(wide - 1, x + 1); ++nx) {
                for (int channel = 0; channel < 4; ++channel) {
                    if (std::abs(data[y * stride + x * 4 + channel] - data[ny * stride + nx * 4 + channel]) > 32)
                        return true;
                }
            }
        }
        return false;
    };
    std::ostringstream out;
    int outside = 0, edges = 0, edgesDiffering = 0, firstX = 0, firstY = 0;
    for (int y = 0; y < high; ++y) {
        for (int x = 0; x < wide; ++x) {
            int difference = differences[y * wide + x];
            if (isEdge(x, y)) {
                ++edges;
                edgesDiffering += difference > textEdgeTolerance;
            } else if (difference > exactTolerance && outside++ == 0) {
                firstX = x, firstY = y;
            }
        }
    }
    if (outside > 0)
        out << outside << " pixels away from edges differ by more than " << exactTolerance << ", the first at x "
            << firstX << ", y " << firstY << "\n";
    if (edgesDiffering > textEdgeShare * edges)
        out << edgesDiffering << " of " << edges << " edge pixels differ by more than " << textEdgeTolerance << "\n";
    return out.str();
}

// Compares with the reference, or redraws it under PARVEX_UPDATE_GOLDENS=1.
template<typename Faults>
void expectMatchesReference(const NSBitmapImageRep& image, const std::string& reference, const std::string& name,
                            Faults faultsOf)
{
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
    std::string found = faultsOf(image, *expected);
    if (!found.empty()) {
        std::string failures = std::string(PARVEX_BINARY_DIR) + "/golden-failures";
        std::filesystem::create_directories(failures);
        (void)image.writePNG(failures + "/" + name + ".png");
        ADD_FAILURE() << name << " differs from " << reference << " (drawn now: " << failures << "/" << name
                      << ".png):\n"
                      << found;
    }
}

inline void expectMatches(const NSBitmapImageRep& image, const std::string& folder, const std::string& name)
{
    expectMatchesReference(image, path(folder, name), name, faults);
}

// A screenshot of a desktop test against tests/e2e/golden/<name>.png.
inline void expectScreenshotMatches(const NSBitmapImageRep& image, const std::string& name)
{
    expectMatchesReference(image, std::string(PARVEX_SOURCE_DIR) + "/tests/e2e/golden/" + name + ".png", name,
                           screenshotFaults);
}

}  // namespace golden
