#include <gtest/gtest.h>

#include <cairo.h>

#include <cmath>
#include <cstdint>
#include <cstring>

#include "Platform/Foundation/RunLoop.h"
#include "Platform/QuartzCore/CALayer.h"
#include "Platform/QuartzCore/CARenderer.h"
#include "Platform/QuartzCore/CATransaction.h"
#include "Platform/QuartzCore/CGPath.h"

namespace {

struct Extents {
    double left, top, right, bottom;
};

Extents partOfSquare(double start, double end)
{
    CGMutablePath square;
    square.move({0, 0});
    square.addLine({10, 0});
    square.addLine({10, 10});
    square.addLine({0, 10});
    square.closeSubpath();
    auto* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
    auto* cr = cairo_create(surface);
    CARenderer::addPathPart(cr, square, start, end);
    Extents extents{};
    cairo_path_extents(cr, &extents.left, &extents.top, &extents.right, &extents.bottom);
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    return extents;
}

}  // namespace

TEST(CARenderer, StrokesThePartOfAPathBetweenTwoFractionsOfItsLength)
{
    auto first = partOfSquare(0, 0.25);
    EXPECT_NEAR(first.left, 0, 1e-9);
    EXPECT_NEAR(first.right, 10, 1e-9);
    EXPECT_NEAR(first.bottom, 0, 1e-9) << "only the bottom edge";
    auto middle = partOfSquare(0.375, 0.625);
    EXPECT_NEAR(middle.left, 5, 1e-9);
    EXPECT_NEAR(middle.right, 10, 1e-9);
    EXPECT_NEAR(middle.top, 5, 1e-9);
    EXPECT_NEAR(middle.bottom, 10, 1e-9);
    auto closing = partOfSquare(0.875, 1);
    EXPECT_NEAR(closing.top, 0, 1e-9);
    EXPECT_NEAR(closing.bottom, 5, 1e-9) << "the closing edge runs back down to the start";
}

TEST(CATransaction, CommitObserversHearOnceForEachTransactionThatChangedSomething)
{
    int commits = 0;
    auto registration = CATransaction::addCommitObserver([&] { ++commits; });
    CATransaction::begin();
    CATransaction::setDisableActions(true);
    CATransaction::noteChange();
    CATransaction::noteChange();
    EXPECT_TRUE(CATransaction::disableActions());
    CATransaction::commit();
    EXPECT_FALSE(CATransaction::disableActions());
    EXPECT_EQ(commits, 1);

    // Outside a transaction the changes wait for the main run loop.
    CATransaction::noteChange();
    CATransaction::noteChange();
    EXPECT_EQ(commits, 1);
    RunLoop::main().runUntilIdle();
    EXPECT_EQ(commits, 2);
    RunLoop::main().runUntilIdle();
    EXPECT_EQ(commits, 2);

    registration.reset();
    CATransaction::noteChange();
    CATransaction::flush();
    EXPECT_EQ(commits, 2);
}

TEST(CARenderer, DrawsATreeThroughTransformsOpacityAndClipping)
{
    auto* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 100, 100);
    auto* cr = cairo_create(surface);
    auto root = CALayer::layer();
    root->setFrame({0, 0, 100, 100});
    root->setBackgroundColor(CGColor{1, 1, 1, 1});
    root->setMasksToBounds(true);
    // A bar from x 40 to 60 over the whole height, turned a quarter: a band
    // from y 40 to 60 across, half transparent, and reaching past the root.
    auto bar = CALayer::layer();
    bar->setFrame({40, -50, 20, 200});
    bar->setBackgroundColor(CGColor{0, 0, 1, 1});
    bar->setAffineTransform(CGAffineTransform::rotation(M_PI / 2));
    bar->setOpacity(0.5);
    root->addSublayer(bar);
    auto hidden = CALayer::layer();
    hidden->setFrame({0, 0, 100, 100});
    hidden->setBackgroundColor(CGColor{1, 0, 0, 1});
    hidden->setHidden(true);
    root->addSublayer(hidden);
    CARenderer::render(*root, cr, 0);
    cairo_surface_flush(surface);

    auto pixel = [&](int x, int y) {
        std::uint32_t value = 0;
        std::memcpy(&value, cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface) + x * 4, 4);
        return value & 0xFFFFFF;
    };
    EXPECT_EQ(pixel(50, 10), 0xFFFFFFu) << "the unturned bar would be here";
    EXPECT_EQ(pixel(10, 50), 0x7F7FFFu) << "half blue over white";
    EXPECT_EQ(pixel(95, 50), 0x7F7FFFu);
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
}
