#include <gtest/gtest.h>

#include "Platform/AppKit/NSMenu.h"
#include "Platform/AppKit/NSStatusBar.h"
#include "Platform/AppKit/NSStatusItem.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/Headless/HeadlessStatusBarBackend.h"

TEST(NSStatusBarTest, AClickTracksTheMenuAndReleasingTheItemTakesBothDown)
{
    auto* backend = HeadlessStatusBarBackend::installed();
    ASSERT_NE(backend, nullptr);
    size_t before = backend->statusItems().size();
    auto item = NSStatusBar::system().statusItem(NSStatusBar::variableLength);
    EXPECT_FALSE(item->click()) << "no menu yet";

    int chosen = 0;
    auto menu = std::make_shared<NSMenu>();
    menu->addItem(std::make_shared<NSMenuItem>("Quit", [&](NSMenuItem&) { ++chosen; }));
    item->setMenu(menu);
    ASSERT_TRUE(backend->clickStatusItem(static_cast<int>(before)));
    EXPECT_EQ(RunLoop::main().currentMode(), RunLoopMode::eventTracking);
    EXPECT_TRUE(backend->chooseItem(0));
    EXPECT_EQ(chosen, 1);
    EXPECT_EQ(RunLoop::main().currentMode(), RunLoopMode::defaultMode);

    // Released while its menu is shown: the menu goes too.
    ASSERT_TRUE(item->click());
    item.reset();
    EXPECT_EQ(backend->statusItems().size(), before);
    EXPECT_FALSE(menu->isOpen());
    EXPECT_EQ(RunLoop::main().currentMode(), RunLoopMode::defaultMode);
}
