#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Platform/AppKit/HeadlessStatusBarBackend.h"
#include "Platform/AppKit/NSImage.h"
#include "Platform/AppKit/NSMenu.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/Foundation/Timer.h"

namespace {

std::shared_ptr<NSMenuItem> item(const std::string& title, NSMenuItem::Action action = [](NSMenuItem&) { })
{
    return std::make_shared<NSMenuItem>(title, std::move(action));
}

std::vector<std::string> titles(const NSMenu& menu)
{
    std::vector<std::string> out;
    for (const auto& each : menu.items())
        out.push_back(each->isSeparatorItem() ? "---" : each->title());
    return out;
}

// Rebuilds the menu the way the menu-bar app does on every opening.
class RebuildingDelegate : public NSMenuDelegate {
public:
    void menuNeedsUpdate(NSMenu& menu) override
    {
        ++updates;
        modeDuringUpdate = RunLoop::main().currentMode();
        while (menu.numberOfItems() != 2)
            menu.removeItem(0);
        menu.insertItem(item("volume " + std::to_string(updates)), 0);
        menu.insertItem(NSMenuItem::separatorItem(), 1);
    }
    void menuDidClose(NSMenu&) override { ++closes; }

    int updates = 0;
    int closes = 0;
    RunLoopMode modeDuringUpdate = RunLoopMode::defaultMode;
};

class Receiver {
public:
    void picked(NSMenuItem& sender) { tags.push_back(sender.tag()); }
    std::vector<int> tags;
};

}  // namespace

TEST(NSMenuTest, InsertRemoveAndOrder)
{
    auto menu = std::make_shared<NSMenu>("Status");
    auto a = item("A");
    auto b = item("B");
    auto c = item("C");
    EXPECT_TRUE(menu->addItem(a));
    EXPECT_TRUE(menu->insertItem(b, 0));
    EXPECT_TRUE(menu->insertItem(NSMenuItem::separatorItem(), 1));
    EXPECT_TRUE(menu->insertItem(c, 3));
    EXPECT_EQ(titles(*menu), (std::vector<std::string>{"B", "---", "A", "C"}));
    EXPECT_EQ(menu->numberOfItems(), 4);
    EXPECT_EQ(menu->item(2), a);
    EXPECT_EQ(menu->indexOf(*c), 3);
    EXPECT_EQ(a->menu(), menu);

    // Nothing changes on a bad index, a null item or an item of another menu.
    EXPECT_FALSE(menu->insertItem(item("X"), 5));
    EXPECT_FALSE(menu->insertItem(item("X"), -1));
    EXPECT_FALSE(menu->insertItem(nullptr, 0));
    EXPECT_FALSE(menu->insertItem(a, 0));
    auto other = std::make_shared<NSMenu>();
    EXPECT_FALSE(other->addItem(a));
    EXPECT_FALSE(menu->removeItem(4));
    EXPECT_EQ(menu->item(4), nullptr);
    EXPECT_EQ(menu->item(-1), nullptr);
    EXPECT_EQ(menu->numberOfItems(), 4);

    EXPECT_TRUE(menu->removeItem(0));
    EXPECT_EQ(b->menu(), nullptr);
    EXPECT_TRUE(menu->removeItem(c));
    EXPECT_EQ(titles(*menu), (std::vector<std::string>{"---", "A"}));
    // A removed item may join another menu.
    EXPECT_TRUE(other->addItem(b));
    menu->removeAllItems();
    EXPECT_EQ(menu->numberOfItems(), 0);
    EXPECT_EQ(a->menu(), nullptr);
}

TEST(NSMenuTest, ItemsPointBackWeaklyAndOutliveTheirMenu)
{
    auto a = item("A");
    std::weak_ptr<NSMenu> gone;
    {
        auto menu = std::make_shared<NSMenu>();
        menu->addItem(a);
        gone = menu;
    }
    EXPECT_TRUE(gone.expired());
    EXPECT_EQ(a->menu(), nullptr);
}

TEST(NSMenuTest, SeparatorsAndItemsWithoutActionCannotBeChosen)
{
    auto menu = std::make_shared<NSMenu>();
    int ran = 0;
    auto separator = NSMenuItem::separatorItem();
    EXPECT_TRUE(separator->isSeparatorItem());
    auto note = std::make_shared<NSMenuItem>("nothing found");
    menu->addItem(note);
    menu->addItem(separator);
    menu->addItem(item("run", [&](NSMenuItem&) { ++ran; }));
    EXPECT_FALSE(note->isEnabled());
    EXPECT_FALSE(separator->isEnabled());

    ASSERT_TRUE(menu->open());
    EXPECT_FALSE(menu->choose(0));
    EXPECT_FALSE(menu->choose(1));
    EXPECT_FALSE(menu->choose(7));
    EXPECT_TRUE(menu->isOpen());
    EXPECT_TRUE(menu->choose(2));
    EXPECT_FALSE(menu->isOpen());
    EXPECT_EQ(ran, 1);
    EXPECT_EQ(RunLoop::main().currentMode(), RunLoopMode::defaultMode);

    menu->setAutoenablesItems(false);
    EXPECT_TRUE(note->isEnabled());
    note->setEnabled(false);
    EXPECT_FALSE(note->isEnabled());
}

TEST(NSMenuTest, TargetActionNeedsALiveTarget)
{
    auto menu = std::make_shared<NSMenu>();
    auto receiver = std::make_shared<Receiver>();
    auto chosen = std::make_shared<NSMenuItem>("pick");
    chosen->setTag(3);
    chosen->setAction(receiver, &Receiver::picked);
    menu->addItem(chosen);
    EXPECT_EQ(chosen->target(), receiver);

    EXPECT_TRUE(menu->performActionForItem(0));
    EXPECT_EQ(receiver->tags, std::vector<int>{3});

    // The item does not keep its target alive, and a gone target disables it.
    std::weak_ptr<Receiver> weak = receiver;
    receiver.reset();
    EXPECT_TRUE(weak.expired());
    EXPECT_FALSE(chosen->isEnabled());
    EXPECT_FALSE(menu->performActionForItem(0));
}

TEST(NSMenuTest, OpeningAsksTheDelegateAndTracksInEventTrackingMode)
{
    auto menu = std::make_shared<NSMenu>();
    auto delegate = std::make_shared<RebuildingDelegate>();
    menu->setDelegate(delegate);
    menu->addItem(item("Settings"));
    menu->addItem(item("Quit"));

    ASSERT_TRUE(menu->open());
    EXPECT_FALSE(menu->open());
    EXPECT_EQ(delegate->updates, 1);
    EXPECT_EQ(delegate->modeDuringUpdate, RunLoopMode::eventTracking);
    EXPECT_EQ(RunLoop::main().currentMode(), RunLoopMode::eventTracking);
    EXPECT_EQ(titles(*menu), (std::vector<std::string>{"volume 1", "---", "Settings", "Quit"}));
    menu->close();
    EXPECT_EQ(delegate->closes, 1);
    EXPECT_EQ(RunLoop::main().currentMode(), RunLoopMode::defaultMode);

    // The rebuild strips its own items first, so every opening shows one set.
    menu->open();
    EXPECT_EQ(titles(*menu), (std::vector<std::string>{"volume 2", "---", "Settings", "Quit"}));
    menu->close();
    menu->close();
    EXPECT_EQ(delegate->closes, 2);
    EXPECT_EQ(RunLoop::main().currentMode(), RunLoopMode::defaultMode);
}

TEST(NSMenuTest, DefaultModeTimerDueWhileOpenFiresOnceAfterClose)
{
    auto menu = std::make_shared<NSMenu>();
    menu->addItem(item("A"));
    int fired = 0;
    auto timer = Timer::scheduledTimer(0.02, false, [&](Timer&) { ++fired; });

    ASSERT_TRUE(menu->open());
    // Let the timer come due while the menu is tracked.
    RunLoop::main().runUntil([] { return false; }, 0.15);
    EXPECT_EQ(fired, 0);

    EXPECT_TRUE(menu->choose(0));
    EXPECT_TRUE(RunLoop::main().runUntil([&] { return fired > 0; }, 5));
    RunLoop::main().runUntil([] { return false; }, 0.05);
    EXPECT_EQ(fired, 1);
}

TEST(NSMenuTest, ChoosingClosesBeforeTheActionRuns)
{
    auto menu = std::make_shared<NSMenu>();
    bool openDuringAction = true;
    RunLoopMode modeDuringAction = RunLoopMode::eventTracking;
    auto chosen = item("A", [&](NSMenuItem& sender) {
        openDuringAction = sender.menu()->isOpen();
        modeDuringAction = RunLoop::main().currentMode();
        // An action may rebuild the menu it came from.
        sender.menu()->removeAllItems();
    });
    menu->addItem(chosen);
    menu->open();
    EXPECT_TRUE(menu->choose(chosen));
    EXPECT_FALSE(openDuringAction);
    EXPECT_EQ(modeDuringAction, RunLoopMode::defaultMode);
    EXPECT_EQ(menu->numberOfItems(), 0);
}

TEST(NSMenuTest, OneMenuIsTrackedAtATimeAndADroppedMenuLeavesTrackingMode)
{
    auto first = std::make_shared<NSMenu>();
    auto second = std::make_shared<NSMenu>();
    first->open();
    second->open();
    EXPECT_FALSE(first->isOpen());
    EXPECT_TRUE(second->isOpen());
    second.reset();
    EXPECT_EQ(RunLoop::main().currentMode(), RunLoopMode::defaultMode);
}

TEST(NSMenuTest, HeadlessLinesShowStateMarksAsDrawn)
{
    auto menu = std::make_shared<NSMenu>();
    auto eject = item("推出 [B]");
    eject->setState(NSControlStateValue::on);
    eject->setOnStateImage(nullptr);
    auto checked = item("checked");
    checked->setState(NSControlStateValue::on);
    EXPECT_EQ(checked->onStateImage(), NSImage::menuOnStateTemplate());
    menu->addItem(eject);
    menu->addItem(checked);
    menu->addItem(NSMenuItem::separatorItem());
    menu->addItem(std::make_shared<NSMenuItem>("没有发现NTFS卷"));
    EXPECT_EQ(HeadlessStatusBarBackend::lines(*menu),
              (std::vector<std::string>{"推出 [B]", "✓ checked", "---", "没有发现NTFS卷 (disabled)"}));
}
