#include <gtest/gtest.h>

#include "Platform/AppKit/NSButton.h"
#include "Platform/AppKit/NSWindow.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/Headless/HeadlessWindowBackend.h"
#include "Platform/QuartzCore/CALayer.h"
#include "Platform/QuartzCore/CATransaction.h"
#include "support/PixelColor.h"

TEST(HeadlessWindowBackend, KeepsTheWindowsOnScreenAndDrawsThemOnRequest)
{
    auto* backend = HeadlessWindowBackend::installed();
    ASSERT_TRUE(backend);
    auto back = NSWindow::make({0, 0, 40, 20});
    auto front = NSWindow::make({0, 0, 40, 20});
    back->makeKeyAndOrderFront();
    front->makeKeyAndOrderFront();
    back->makeKeyAndOrderFront();
    EXPECT_EQ(backend->windows(), (std::vector{front, back})) << "in the order they came to the front";
    back->orderOut();
    EXPECT_EQ(backend->windows(), std::vector{front});
    front.reset();
    EXPECT_TRUE(backend->windows().empty()) << "a destroyed window leaves";

    // A change to what a window shows reaches the commit observers (a display
    // redrawing) once the run loop turns.
    int commits = 0;
    auto observer = CATransaction::addCommitObserver([&] { ++commits; });
    auto content = back->contentView();
    content->setWantsLayer(true);
    content->layer()->setBackgroundColor(CGColor{0, 1, 0, 1});
    auto button = NSButton::withTitle("好的");
    button->setFrame({20, 0, 20, 20});
    button->setHidden(true);
    content->addSubview(button);
    RunLoop::main().runUntilIdle();
    EXPECT_EQ(commits, 1);

    auto image = HeadlessWindowBackend::snapshot(*back, 2);
    EXPECT_EQ(image->pixelsWide(), 80);
    EXPECT_EQ(pixelColor(*image, 70, 10), NSColor::srgb(0, 1, 0)) << "a hidden view draws nothing";
    button->setHidden(false);
    image = HeadlessWindowBackend::snapshot(*back, 2);
    EXPECT_NE(pixelColor(*image, 70, 10), NSColor::srgb(0, 1, 0));
    EXPECT_EQ(pixelColor(*image, 10, 10), NSColor::srgb(0, 1, 0));
}
