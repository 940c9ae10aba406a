#include <gtest/gtest.h>

#include <fstream>

#include "BaseUI/Theme/KvBasePresentAnimator.h"
#include "BaseUI/Theme/KvBaseView.h"
#include "BaseUI/Theme/NSAppleInterfaceTheme.h"
#include "Platform/AppKit/NSViewController.h"
#include "Platform/Foundation/DistributedNotificationCenter.h"
#include "support/InProcessNotificationBus.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/Foundation/UserDefaults.h"
#include "Shared/Kit/NotificationWrapper.h"
#include "support/TemporaryFolder.h"

namespace {

struct Theme {
    TemporaryFolder folder{"theme"};
    DistributedNotificationCenter center{std::make_shared<InProcessNotificationBus>()};
    std::string path = folder / ".GlobalPreferences.plist";

    Theme() { NSAppleInterfaceTheme::setShared(std::make_shared<NSAppleInterfaceTheme>(center, path)); }
    ~Theme() { NSAppleInterfaceTheme::setShared(nullptr); }
};

class Counting : public KvBaseView {
public:
    using KvBaseView::KvBaseView;
    int& changes;
    Counting(const CGRect& frame, int& counter)
        : KvBaseView(frame), changes(counter)
    {
    }
    void _systemInterfaceThemeChanged() override { ++changes; }
};

}  // namespace

TEST(NSAppleInterfaceTheme, OnlyTheStringDarkIsDarkReadFreshEachTime)
{
    Theme theme;
    auto& shared = NSAppleInterfaceTheme::shared();
    EXPECT_EQ(NSAppleInterfaceTheme::themeChangedNotificationName(), "AppleInterfaceThemeChangedNotification");
    EXPECT_TRUE(shared.isLight()) << "no global domain at all";
    UserDefaults global(".GlobalPreferences", theme.path);
    ASSERT_TRUE(global.setString("Dark", NSAppleInterfaceTheme::styleKey));
    EXPECT_FALSE(shared.isLight());
    ASSERT_TRUE(global.setString("Light", NSAppleInterfaceTheme::styleKey));
    EXPECT_TRUE(shared.isLight());
    ASSERT_TRUE(global.set(true, NSAppleInterfaceTheme::styleKey));
    EXPECT_TRUE(shared.isLight()) << "not a string";
    ASSERT_TRUE(global.remove(NSAppleInterfaceTheme::styleKey));
    EXPECT_TRUE(shared.isLight()) << "no such key";
    std::ofstream(theme.path) << "not a property list";
    EXPECT_TRUE(shared.isLight()) << "an unreadable domain";
}

TEST(KvBaseView, HearsThemeChangesUntilItIsDestroyed)
{
    Theme theme;
    int changes = 0;
    auto view = NSView::make<Counting>(CGRect{}, changes);
    NotificationWrapper::shared().addObserver(view.get(), "any", [](const Notification&) {});
    ASSERT_TRUE(theme.center.post(NSAppleInterfaceTheme::themeChangedNotificationName()));
    ASSERT_TRUE(theme.center.post("SomethingElse"));
    RunLoop::main().runUntilIdle();
    EXPECT_EQ(changes, 1);

    ASSERT_TRUE(theme.center.post(NSAppleInterfaceTheme::themeChangedNotificationName()));
    const void* address = view.get();
    view.reset();
    RunLoop::main().runUntilIdle();
    EXPECT_EQ(changes, 1) << "not even a notification already on its way";
    EXPECT_FALSE(NotificationWrapper::shared().isObserving(address));
}

TEST(KvBasePresentAnimator, ShowsThePresentedViewAtItsFrameAndTakesItAwayAgain)
{
    auto presenting = std::make_shared<NSViewController>();
    presenting->setView(NSView::make(CGRect{0, 0, 480, 300}));
    auto other = NSView::make(CGRect{0, 0, 10, 10});
    presenting->view()->addSubview(other);
    auto alert = std::make_shared<NSViewController>();
    alert->setView(NSView::make(CGRect{80, 100, 320, 100}));

    presenting->present(alert, std::make_shared<KvBasePresentAnimator>());
    EXPECT_EQ(alert->view()->superview(), presenting->view());
    EXPECT_EQ(alert->view()->frame(), (CGRect{80, 100, 320, 100}));
    EXPECT_EQ(alert->presentingViewController(), presenting);

    alert->dismissSelf();
    EXPECT_FALSE(alert->view()->superview());
    EXPECT_EQ(presenting->view()->subviews(), std::vector<std::shared_ptr<NSView>>{other});
    EXPECT_EQ(presenting->view()->frame(), (CGRect{0, 0, 480, 300}));
    EXPECT_FALSE(alert->presentingViewController());
}
