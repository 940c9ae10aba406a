#include <gtest/gtest.h>

#include "Platform/AppKit/HeadlessStatusBarBackend.h"
#include "Platform/AppKit/NSImage.h"
#include "Platform/AppKit/NSMenu.h"
#include "Platform/AppKit/NSStatusBar.h"
#include "Platform/AppKit/NSStatusItem.h"
#include "Platform/Foundation/RunLoop.h"
#include "TempBundle.h"

TEST(NSStatusBarTest, ItemStaysInTheBarWhileKept)
{
    auto* backend = HeadlessStatusBarBackend::installed();
    ASSERT_NE(backend, nullptr);
    size_t before = backend->statusItems().size();
    {
        auto item = NSStatusBar::system().statusItem(NSStatusBar::variableLength);
        EXPECT_EQ(item->length(), NSStatusBar::variableLength);
        ASSERT_EQ(backend->statusItems().size(), before + 1);
        EXPECT_EQ(backend->statusItems().back(), item);
    }
    EXPECT_EQ(backend->statusItems().size(), before);

    auto removed = NSStatusBar::system().statusItem(NSStatusBar::squareLength);
    NSStatusBar::system().removeStatusItem(removed);
    EXPECT_EQ(backend->statusItems().size(), before);
}

TEST(NSStatusBarTest, ImageIsTheButtonsImageAndAClickOpensTheMenu)
{
    auto* backend = HeadlessStatusBarBackend::installed();
    ASSERT_NE(backend, nullptr);
    auto item = NSStatusBar::system().statusItem(NSStatusBar::variableLength);
    auto image = NSImage::fromData(pngHeader(16, 16));
    ASSERT_NE(image, nullptr);
    item->setImage(image);
    EXPECT_EQ(item->button()->image(), image);

    // No menu yet: a click does nothing.
    EXPECT_FALSE(item->click());

    int chosen = 0;
    auto menu = std::make_shared<NSMenu>();
    menu->addItem(std::make_shared<NSMenuItem>("Quit", [&](NSMenuItem&) { ++chosen; }));
    item->setMenu(menu);
    int index = static_cast<int>(backend->statusItems().size()) - 1;

    ASSERT_TRUE(backend->clickStatusItem(index));
    EXPECT_EQ(backend->openMenu(), menu);
    EXPECT_EQ(RunLoop::main().currentMode(), RunLoopMode::eventTracking);
    EXPECT_TRUE(backend->chooseItem(0));
    EXPECT_EQ(chosen, 1);
    EXPECT_EQ(backend->openMenu(), nullptr);
    EXPECT_EQ(RunLoop::main().currentMode(), RunLoopMode::defaultMode);

    ASSERT_TRUE(item->button()->performClick());
    backend->dismissMenu();
    EXPECT_FALSE(menu->isOpen());
    EXPECT_EQ(chosen, 1);

    // Releasing the item while its menu is shown takes the menu down too.
    item->click();
    item.reset();
    EXPECT_FALSE(menu->isOpen());
    EXPECT_EQ(RunLoop::main().currentMode(), RunLoopMode::defaultMode);
}
