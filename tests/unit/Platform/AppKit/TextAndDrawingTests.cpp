#include <gtest/gtest.h>

#include <cmath>

#include "Platform/AppKit/NSAttributedString.h"
#include "Platform/AppKit/NSBezierPath.h"
#include "Platform/AppKit/NSTextField.h"
#include "Platform/QuartzCore/CALayer.h"
#include "support/PixelColor.h"

TEST(NSAttributedString, RangesCountUTF16UnitsAndRunsSplitAndMerge)
{
    NSMutableAttributedString text("a😀中b", {.font = NSFont::systemFont(12)});
    EXPECT_EQ(text.length(), 5u) << "the emoji is a surrogate pair";
    auto red = NSColor::srgb(1, 0, 0);
    text.addAttributes({.foregroundColor = red}, {1, 3});
    NSRange range;
    EXPECT_EQ(text.attributes(2, &range).foregroundColor, red);
    EXPECT_EQ(range, (NSRange{1, 3}));
    EXPECT_EQ(text.attributes(2).font, NSFont::systemFont(12)) << "adding keeps the other attributes";
    EXPECT_FALSE(text.attributes(4, &range).foregroundColor);
    EXPECT_EQ(range, (NSRange{4, 1}));

    text.addAttributes({.foregroundColor = red}, {0, 99});
    EXPECT_EQ(text.runs().size(), 1u) << "equal neighbours merge; the range is clamped";
}

TEST(NSAttributedString, MeasuresWithTheSystemFontAndItsLineHeight)
{
    auto size12 = NSAttributedString("中国", {.font = NSFont::systemFont(12)}).size();
    auto size24 = NSAttributedString("中国", {.font = NSFont::systemFont(24)}).size();
    EXPECT_NEAR(size12.width, 24, 0.5) << "two full-width characters of 12 points";
    EXPECT_NEAR(size12.height, NSFont::systemFont(12).lineHeight(), 0.01);
    EXPECT_NEAR(size24.height, 2 * size12.height, 0.05);
}

TEST(NSView, DrawsItsLayerAndTextIntoAnImageAndCountsCharactersNoFontHas)
{
    auto field = NSView::make<NSTextField>(CGRect{0, 0, 60, 30});
    field->setBezeled(false);
    field->setDrawsBackground(false);
    field->setWantsLayer(true);
    field->layer()->setBackgroundColor(CGColor{0, 0, 1, 1});
    field->layer()->setBorderColor(CGColor{1, 0, 0, 1});
    field->layer()->setBorderWidth(2);
    field->setStringValue("中国");
    auto image = NSBitmapImageRep::make(field->bounds().size);
    field->cacheDisplay(field->bounds(), *image);
    EXPECT_EQ(image->pixelsWide(), 60);
    EXPECT_EQ(image->unknownGlyphCount(), 0);
    EXPECT_EQ(pixelColor(*image, 0, 15), NSColor::srgb(1, 0, 0)) << "the border lies inside the bounds";
    EXPECT_EQ(pixelColor(*image, 55, 15), NSColor::srgb(0, 0, 1));
    int dark = 0;
    for (int x = 2; x < 30; ++x) {
        for (int y = 2; y < 28; ++y)
            dark += pixelColor(*image, x, y).blueComponent() < 0.5;
    }
    EXPECT_GT(dark, 20) << "black text over the blue background, at the top left";

    field->setStringValue("\U0010FFFD");
    auto boxes = NSBitmapImageRep::make({60, 30}, 2);
    field->cacheDisplay(field->bounds(), *boxes);
    EXPECT_EQ(boxes->pixelsWide(), 120);
    EXPECT_EQ(boxes->unknownGlyphCount(), 1);
    auto reread = NSBitmapImageRep::fromPNG(boxes->pngRepresentation(), 2);
    ASSERT_TRUE(reread);
    EXPECT_EQ(reread->size(), (CGSize{60, 30}));
}

TEST(NSView, NotesWhereEachLineOfTextWentTightAroundItsInk)
{
    // A wrapped field inside a frame, drawn at two pixels per point: the
    // rectangles are in the image's pixels, y down, one per line.
    auto frame = NSView::make(CGRect{0, 0, 120, 80});
    auto field = NSView::make<NSTextField>(CGRect{10, 20, 60, 50});
    field->setBezeled(false);
    field->setDrawsBackground(false);
    field->setStringValue("中国中国中国");
    frame->addSubview(field);
    auto image = NSBitmapImageRep::make({120, 80}, 2);
    frame->cacheDisplay(frame->bounds(), *image);
    const auto& lines = image->textRects();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_LT(lines[0].maxY(), lines[1].minY() + 1) << "the first line above the second";
    auto inked = [&](int x, int y) { return pixelColor(*image, x, y).alphaComponent() > 0; };
    auto inAny = [&](int x, int y) {
        for (const auto& line : lines) {
            if (line.insetBy(-1, -1).contains({x + 0.5, y + 0.5}))
                return true;
        }
        return false;
    };
    int ink = 0;
    for (int y = 0; y < image->pixelsHigh(); ++y) {
        for (int x = 0; x < image->pixelsWide(); ++x) {
            if (inked(x, y)) {
                ++ink;
                EXPECT_TRUE(inAny(x, y)) << "ink outside the noted lines at " << x << ", " << y;
            }
        }
    }
    EXPECT_GT(ink, 100);
    // Within the field (20 to 140 across, 20 to 120 down), and each edge of a
    // line's rectangle is within a pixel of its ink.
    for (const auto& line : lines) {
        EXPECT_GE(line.minX(), 20 - 1);
        EXPECT_LE(line.maxX(), 140 + 1);
        EXPECT_GE(line.minY(), 20 - 1);
        EXPECT_LE(line.maxY(), 120 + 1);
        auto inkAlong = [&](bool row, int at) {
            int from = static_cast<int>(row ? line.minX() : line.minY()), to = static_cast<int>(row ? line.maxX() : line.maxY());
            for (int i = from; i <= to; ++i) {
                for (int near = at - 1; near <= at + 1; ++near) {
                    if (row ? inked(i, near) : inked(near, i))
                        return true;
                }
            }
            return false;
        };
        EXPECT_TRUE(inkAlong(true, static_cast<int>(line.minY())) && inkAlong(true, static_cast<int>(line.maxY()) - 1));
        EXPECT_TRUE(inkAlong(false, static_cast<int>(line.minX())) && inkAlong(false, static_cast<int>(line.maxX()) - 1));
    }
}

TEST(NSBezierPath, ArcsInDegreesBecomeQuarterTurnCurvesOnTheCircle)
{
    NSBezierPath circle;
    circle.appendArc({50, 50}, 37.5, 0, 360, false);
    ASSERT_EQ(circle.elementCount(), 5u);
    CGPoint points[3];
    EXPECT_EQ(circle.element(0, points), NSBezierPath::ElementType::moveTo);
    EXPECT_EQ(points[0], (CGPoint{87.5, 50}));
    EXPECT_EQ(circle.element(1, points), NSBezierPath::ElementType::curveTo);
    EXPECT_NEAR(points[2].x, 50, 1e-9);
    EXPECT_NEAR(points[2].y, 87.5, 1e-9) << "counter-clockwise: up first";
    EXPECT_NEAR(points[0].x, 87.5, 1e-9);
    EXPECT_NEAR(points[0].y, 50 + 37.5 * 4.0 / 3 * std::tan(M_PI / 8), 1e-9);

    NSBezierPath clockwise;
    clockwise.move({0, 0});
    clockwise.appendArc({0, 0}, 10, 90, 0, true);
    ASSERT_EQ(clockwise.elementCount(), 3u) << "a line to the start, one quarter";
    EXPECT_EQ(clockwise.element(1, points), NSBezierPath::ElementType::lineTo);
    clockwise.element(2, points);
    EXPECT_NEAR(points[2].x, 10, 1e-9);
    EXPECT_NEAR(points[2].y, 0, 1e-9);
}
