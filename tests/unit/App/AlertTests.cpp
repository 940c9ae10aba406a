// The alert sheet and the two base controllers.
#include <gtest/gtest.h>

#include <cmath>

#include "App/AlertViewController.h"
#include "App/KvBaseViewController.h"
#include "App/UIViewController.h"
#include "BaseUI/Theme/NSAppleInterfaceTheme.h"
#include "Platform/Foundation/UserDefaults.h"
#include "SettingsScene.h"

TEST(AlertViewController, ShowsAsASheetAndItsButtonDismissesItClearsTheAlertThenRunsTheClosure)
{
    SettingsScene scene;
    scene.open();
    bool alertGoneInClosure = false;
    int runs = 0;
    AlertViewController::show("已保存", "", "好的", *scene.controller, [&] {
        ++runs;
        alertGoneInClosure = !AlertViewController::currentAlert();
    });
    auto alert = AlertViewController::currentAlert();
    ASSERT_TRUE(alert);
    auto sheet = scene.window->attachedSheet();
    ASSERT_TRUE(sheet);
    EXPECT_EQ(sheet->contentViewController(), alert);
    EXPECT_EQ(alert->presentingViewController(), scene.controller);
    EXPECT_FALSE(alert->isFirstAppear()) << "its view has appeared";

    // An empty message leaves its line blank in the same 320 by 100 layout.
    sheet->layoutIfNeeded();
    EXPECT_EQ(alert->view()->frame(), (CGRect{0, 0, 320, 100}));
    EXPECT_EQ(alert->titleLabel()->frame(), (CGRect{0, 58, 320, 32}));
    EXPECT_EQ(alert->msgLabel()->frame(), (CGRect{10, 28, 300, 30}));
    EXPECT_EQ(alert->cancelBtn()->frame(), (CGRect{210, 5, 100, 28}));
    EXPECT_EQ(alert->msgLabel()->stringValue(), "");
    EXPECT_EQ(alert->cancelBtn()->title(), "好的");
    EXPECT_EQ(alert->titleLabel()->alignment(), NSTextAlignment::center);

    scene.click(*alert->cancelBtn());
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(alertGoneInClosure) << "the reference is cleared before the closure runs";
    EXPECT_FALSE(scene.window->attachedSheet());
    EXPECT_TRUE(scene.window->isKeyWindow());
}

TEST(AlertViewController, AMessageOfMoreLinesMakesItsLabelAndTheSheetTallerAndMovesNothingElse)
{
    SettingsScene scene;
    scene.open();
    const std::string hint = "首次设置或者管理模式变动后需重启电脑，其他情况不用重启电脑";
    CGFloat line = NSFont::systemFont(14).lineHeight();
    CGFloat previous = AlertViewController::messageHeight;
    // The restart hint takes two lines at 14 points; twice over, three.
    for (const auto& [message, lines] : {std::pair{hint, 2}, std::pair{hint + hint, 3}}) {
        AlertViewController::show("已保存", message, "好的", *scene.controller);
        auto alert = AlertViewController::currentAlert();
        auto sheet = scene.window->attachedSheet();
        ASSERT_TRUE(alert && sheet);
        sheet->layoutIfNeeded();
        CGFloat height = alert->msgLabel()->frame().height();
        EXPECT_GE(height, std::floor(lines * line)) << lines;
        EXPECT_GT(height, previous) << lines;
        previous = height;
        CGFloat grown = height - AlertViewController::messageHeight;
        EXPECT_EQ(sheet->contentRect().size, (CGSize{320, 100 + grown}));
        // y up: the title keeps its 10 points from the top, the message starts
        // right under it, the button keeps its 5 points from the bottom.
        EXPECT_EQ(alert->titleLabel()->frame(), (CGRect{0, 58 + grown, 320, 32}));
        EXPECT_EQ(alert->msgLabel()->frame(), (CGRect{10, 28, 300, 30 + grown}));
        EXPECT_EQ(alert->cancelBtn()->frame(), (CGRect{210, 5, 100, 28}));
        EXPECT_EQ(scene.answerAlert().second, message);
    }
}

TEST(AlertViewController, ANewAlertReplacesTheReferenceAndWaitsForTheShownOne)
{
    SettingsScene scene;
    scene.open();
    AlertViewController::show("一", "", "好的", *scene.controller);
    std::weak_ptr<AlertViewController> first = AlertViewController::currentAlert();
    AlertViewController::show("二", "消息", "知道了", *scene.controller);
    EXPECT_NE(AlertViewController::currentAlert(), first.lock());
    EXPECT_EQ(scene.answerAlert(), std::make_pair(std::string("一"), std::string()));
    EXPECT_TRUE(first.expired()) << "released once it has gone";
    auto second = AlertViewController::currentAlert();
    EXPECT_FALSE(second) << "the first one's going cleared the reference, as its controller does";
    EXPECT_EQ(scene.answerAlert(), std::make_pair(std::string("二"), std::string("消息")));
    EXPECT_FALSE(scene.window->attachedSheet());
}

TEST(UIViewController, IsFirstAppearUntilItsViewHasAppeared)
{
    auto controller = std::make_shared<UIViewController>();
    auto window = NSWindow::make({0, 0, 100, 100});
    window->setContentViewController(controller);
    EXPECT_TRUE(controller->isFirstAppear());
    window->makeKeyAndOrderFront();
    EXPECT_FALSE(controller->isFirstAppear());
    window->orderOut();
    window->makeKeyAndOrderFront();
    EXPECT_FALSE(controller->isFirstAppear());
    window->orderOut();
}

TEST(KvBaseViewController, HearsThemeChangesFromItsViewLoadingUntilItIsGone)
{
    class Counting : public KvBaseViewController {
    public:
        explicit Counting(int& count) : m_count(count) { }
        void _systemInterfaceThemeChanged() override
        {
            KvBaseViewController::_systemInterfaceThemeChanged();
            ++m_count;
        }

    private:
        int& m_count;
    };
    TemporaryFolder folder("theme");
    auto bus = std::make_shared<InProcessNotificationBus>();
    DistributedNotificationCenter center(bus);
    NSAppleInterfaceTheme::setShared(std::make_shared<NSAppleInterfaceTheme>(center, folder / "global.plist"));
    auto post = [&] {
        (void)center.post(NSAppleInterfaceTheme::themeChangedNotificationName());
        RunLoop::main().runUntilIdle();
    };

    int count = 0;
    auto controller = std::make_shared<Counting>(count);
    post();
    EXPECT_EQ(count, 0) << "not before its view loads";
    controller->view();
    post();
    EXPECT_EQ(count, 1);
    (void)center.post(NSAppleInterfaceTheme::themeChangedNotificationName());
    controller.reset();
    RunLoop::main().runUntilIdle();
    EXPECT_EQ(count, 1) << "nothing reaches it once it is gone, even a change already on its way";
    NSAppleInterfaceTheme::setShared(nullptr);
}
