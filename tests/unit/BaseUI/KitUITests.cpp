#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BaseUI/Kit/KitButton.h"
#include "BaseUI/Kit/KitColor.h"
#include "Shared/Kit/NotificationWrapper.h"

TEST(KitColor, ComponentsOnThe255ScaleAndGreys)
{
    auto accent = KitColor::rgb(235, 100, 75);
    EXPECT_DOUBLE_EQ(accent.redComponent(), 235 / 255.0);
    EXPECT_DOUBLE_EQ(accent.greenComponent(), 100 / 255.0);
    EXPECT_DOUBLE_EQ(accent.blueComponent(), 75 / 255.0);
    EXPECT_EQ(accent.alphaComponent(), 1.0);
    EXPECT_EQ(KitColor::grey(70), KitColor::rgb(70, 70, 70));
    EXPECT_EQ(KitColor::grey(255, 0.5), NSColor::white(1, 0.5));
    EXPECT_EQ(KitColor::rgb(300, 0, 0), KitColor::rgb(255, 0, 0));
}

TEST(KitButton, TargetAndActionInOneAssignment)
{
    struct Controller {
        int saves = 0;
        void saveAction(NSButton&) { ++saves; }
    };
    auto controller = std::make_shared<Controller>();
    auto button = NSButton::withTitle("保存");
    KitButton::setTarget(*button, controller, &Controller::saveAction);
    button->performClick();
    EXPECT_EQ(controller->saves, 1);
    EXPECT_EQ(button->target(), controller);
    KitButton::clearTarget(*button);
    button->performClick();
    EXPECT_EQ(controller->saves, 1);
}

TEST(NotificationWrapper, RemovingAnObserverDropsAllItsBlocksAndOnlyThose)
{
    auto& wrapper = NotificationWrapper::shared();
    int self = 0, other = 0, never = 0;
    std::vector<std::string> heard;
    wrapper.addObserver(&self, "theme", [&](const Notification& n) { heard.push_back("self " + n.name); });
    wrapper.addObserver(&self, "other", [&](const Notification& n) { heard.push_back("self " + n.name); });
    wrapper.addObserver(&other, "theme", [&](const Notification&) {
        heard.push_back("other");
        wrapper.removeObserver(&self);
    });
    wrapper.post("theme");
    wrapper.removeObserver(&never);
    wrapper.post("theme");
    wrapper.post("other");
    EXPECT_EQ(heard, (std::vector<std::string>{"self theme", "other", "other"}));
    EXPECT_FALSE(wrapper.isObserving(&self));
    wrapper.removeObserver(&other);
}
