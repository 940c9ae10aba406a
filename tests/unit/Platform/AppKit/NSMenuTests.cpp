#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Platform/AppKit/NSMenu.h"
#include "Platform/Foundation/RunLoop.h"

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

class RecordingDelegate : public NSMenuDelegate {
public:
    void menuNeedsUpdate(NSMenu&) override
    {
        ++updates;
        modeDuringUpdate = RunLoop::main().currentMode();
    }

    int updates = 0;
    RunLoopMode modeDuringUpdate = RunLoopMode::defaultMode;
};

struct Receiver {
    void picked(NSMenuItem& sender) { tags.push_back(sender.tag()); }
    std::vector<int> tags;
};

}  // namespace

TEST(NSMenuTest, InsertAndRemoveKeepOrderAndRefuseBadRequests)
{
    auto menu = std::make_shared<NSMenu>();
    auto a = item("A"), b = item("B");
    EXPECT_TRUE(menu->addItem(a));
    EXPECT_TRUE(menu->insertItem(b, 0));
    EXPECT_TRUE(menu->insertItem(NSMenuItem::separatorItem(), 1));
    EXPECT_EQ(titles(*menu), (std::vector<std::string>{"B", "---", "A"}));

    // Nothing changes on a bad index, a null item or an item of another menu.
    auto other = std::make_shared<NSMenu>();
    EXPECT_FALSE(menu->insertItem(item("X"), 4));
    EXPECT_FALSE(menu->insertItem(item("X"), -1));
    EXPECT_FALSE(menu->insertItem(nullptr, 0));
    EXPECT_FALSE(menu->insertItem(a, 0));
    EXPECT_FALSE(other->addItem(a));
    EXPECT_FALSE(menu->removeItem(3));
    EXPECT_EQ(menu->numberOfItems(), 3);

    EXPECT_TRUE(menu->removeItem(0));
    EXPECT_TRUE(other->addItem(b)) << "a removed item may join another menu";
    menu.reset();
    EXPECT_EQ(a->menu(), nullptr) << "items point back weakly";
}

TEST(NSMenuTest, OnlyItemsWithALiveActionCanBeChosen)
{
    auto menu = std::make_shared<NSMenu>();
    int ran = 0;
    auto note = std::make_shared<NSMenuItem>("nothing found");
    menu->addItem(note);
    menu->addItem(NSMenuItem::separatorItem());
    menu->addItem(item("run", [&](NSMenuItem&) { ++ran; }));
    ASSERT_TRUE(menu->open());
    EXPECT_FALSE(menu->choose(0));
    EXPECT_FALSE(menu->choose(1));
    EXPECT_FALSE(menu->choose(7));
    EXPECT_TRUE(menu->isOpen());
    EXPECT_TRUE(menu->choose(2));
    EXPECT_EQ(ran, 1);

    // The item does not keep its target alive, and a gone target disables it.
    auto receiver = std::make_shared<Receiver>();
    auto chosen = std::make_shared<NSMenuItem>("pick");
    chosen->setTag(3);
    chosen->setAction(receiver, &Receiver::picked);
    menu->addItem(chosen);
    EXPECT_TRUE(chosen->performAction());
    EXPECT_EQ(receiver->tags, std::vector<int>{3});
    std::weak_ptr<Receiver> weak = receiver;
    receiver.reset();
    EXPECT_TRUE(weak.expired());
    EXPECT_FALSE(chosen->isEnabled());
    EXPECT_FALSE(chosen->performAction());
}

TEST(NSMenuTest, OpeningAsksTheDelegateAndTracksInEventTrackingMode)
{
    auto menu = std::make_shared<NSMenu>();
    auto delegate = std::make_shared<RecordingDelegate>();
    menu->setDelegate(delegate);
    menu->addItem(item("Settings"));
    menu->addItem(item("Quit"));

    ASSERT_TRUE(menu->open());
    EXPECT_FALSE(menu->open());
    EXPECT_EQ(delegate->updates, 1);
    EXPECT_EQ(delegate->modeDuringUpdate, RunLoopMode::eventTracking);
    EXPECT_EQ(RunLoop::main().currentMode(), RunLoopMode::eventTracking);
    menu->close();
    EXPECT_EQ(RunLoop::main().currentMode(), RunLoopMode::defaultMode);

    menu->open();
    EXPECT_EQ(delegate->updates, 2) << "every opening asks again";
    menu->close();
    menu->close();
    EXPECT_FALSE(menu->isOpen());
    EXPECT_EQ(RunLoop::main().currentMode(), RunLoopMode::defaultMode) << "a second close leaves the modes alone";
}

TEST(NSMenuTest, ChoosingClosesBeforeTheActionRunsAndOneMenuIsTrackedAtATime)
{
    auto menu = std::make_shared<NSMenu>();
    bool openDuringAction = true;
    RunLoopMode modeDuringAction = RunLoopMode::eventTracking;
    auto chosen = item("A", [&](NSMenuItem& sender) {
        openDuringAction = sender.menu()->isOpen();
        modeDuringAction = RunLoop::main().currentMode();
        // An action may rebuild the menu it came from.
        sender.menu()->removeItem(0);
    });
    menu->addItem(chosen);
    menu->open();
    EXPECT_TRUE(menu->choose(chosen));
    EXPECT_FALSE(openDuringAction);
    EXPECT_EQ(modeDuringAction, RunLoopMode::defaultMode);
    EXPECT_EQ(menu->numberOfItems(), 0);

    auto second = std::make_shared<NSMenu>();
    menu->open();
    second->open();
    EXPECT_FALSE(menu->isOpen());
    second.reset();
    EXPECT_EQ(RunLoop::main().currentMode(), RunLoopMode::defaultMode) << "a dropped menu leaves tracking mode";
}
