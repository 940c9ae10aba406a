// Windows as the settings app uses them: content view controllers that hear
// their views come and go, sheets one at a time, the key window, typing into a
// field, and the application quitting when its last window closes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Platform/AppKit/NSApplication.h"
#include "Platform/AppKit/NSApplicationDelegate.h"
#include "Platform/AppKit/NSButton.h"
#include "Platform/AppKit/NSEvent.h"
#include "Platform/AppKit/NSTextField.h"
#include "Platform/AppKit/NSView.h"
#include "Platform/AppKit/NSViewController.h"
#include "Platform/AppKit/NSWindow.h"
#include "Platform/Foundation/RunLoop.h"

namespace {

using Type = NSEvent::EventType;

// Writes down its view's comings and goings.
class Recording : public NSViewController {
public:
    Recording(std::string name, std::vector<std::string>& log, CGSize size = {100, 50})
        : m_name(std::move(name)), m_log(log), m_size(size)
    {
    }

protected:
    void loadView() override { setView(NSView::make(CGRect{{}, m_size})); }
    void viewDidLoad() override { m_log.push_back(m_name + " loaded"); }
    void viewDidAppear() override { m_log.push_back(m_name + " appeared"); }
    void viewDidDisappear() override { m_log.push_back(m_name + " disappeared"); }

private:
    std::string m_name;
    std::vector<std::string>& m_log;
    CGSize m_size;
};

void click(NSWindow& window, CGPoint at, double time)
{
    window.sendEvent(NSEvent::mouseEvent(Type::leftMouseDown, at, time));
    window.sendEvent(NSEvent::mouseEvent(Type::leftMouseUp, at, time + 0.01));
}

class Delegate : public NSApplicationDelegate {
public:
    bool applicationShouldTerminateAfterLastWindowClosed(NSApplication&) override { return quitsWithLastWindow; }
    bool applicationShouldHandleReopen(NSApplication&, bool hasVisibleWindows) override
    {
        reopens.push_back(hasVisibleWindows);
        return true;
    }
    bool quitsWithLastWindow = true;
    std::vector<bool> reopens;
};

// The shared application with a delegate and an exit that only counts.
struct Application {
    Application()
    {
        app.setDelegate(delegate);
        app.setExitFunction([this](int) { ++exits; });
    }
    ~Application()
    {
        app.setDelegate(nullptr);
        app.setExitFunction({});
    }
    NSApplication& app = NSApplication::shared();
    std::shared_ptr<Delegate> delegate = std::make_shared<Delegate>();
    int exits = 0;
};

std::vector<std::string> take(std::vector<std::string>& log)
{
    return std::exchange(log, {});
}

}  // namespace

TEST(NSViewController, HearsItsViewComeOnScreenAndLeaveOncePerChange)
{
    std::vector<std::string> log;
    auto window = NSWindow::make({0, 0, 200, 100});
    auto controller = std::make_shared<Recording>("main", log);
    window->setContentViewController(controller);
    EXPECT_EQ(take(log), std::vector<std::string>{"main loaded"}) << "the view is loaded, not yet shown";
    EXPECT_EQ(controller->view()->window(), window);
    EXPECT_EQ(controller->view()->frame().size, (CGSize{200, 100})) << "the view fills the content";

    window->makeKeyAndOrderFront();
    window->makeKeyAndOrderFront();
    EXPECT_EQ(take(log), (std::vector<std::string>{"main appeared"}));

    // A controller whose view joins a window on screen appears with it.
    auto child = std::make_shared<Recording>("child", log);
    window->contentView()->addSubview(child->view());
    child->view()->removeFromSuperview();
    window->orderOut();
    EXPECT_EQ(take(log), (std::vector<std::string>{"child loaded", "child appeared", "child disappeared",
                                                   "main disappeared"}));
}

TEST(NSWindow, SheetsShowOneAtATimeAndTakeTheParentsKeyStatusAndClicks)
{
    std::vector<std::string> log;
    auto parent = NSWindow::make({0, 0, 300, 200});
    int clicks = 0;
    auto button = NSButton::withTitle("按钮");
    button->setFrame({0, 0, 300, 200});
    button->setAction([&](NSControl&) { ++clicks; });
    parent->contentView()->addSubview(button);
    parent->makeKeyAndOrderFront();

    auto main = std::make_shared<Recording>("main", log);
    parent->setContentViewController(main);
    parent->contentView()->addSubview(button);
    auto first = std::make_shared<Recording>("first", log, CGSize{120, 40});
    auto second = std::make_shared<Recording>("second", log, CGSize{80, 30});
    take(log);
    main->presentAsSheet(first);
    main->presentAsSheet(second);
    auto sheet = parent->attachedSheet();
    ASSERT_TRUE(sheet);
    EXPECT_EQ(sheet->contentViewController(), first) << "the second waits its turn";
    EXPECT_EQ(sheet->sheetParent(), parent);
    EXPECT_EQ(parent->frameForSheet(*sheet), (CGRect{90, 160, 120, 40})) << "centred at the top";
    EXPECT_TRUE(sheet->isKeyWindow());
    EXPECT_FALSE(parent->isKeyWindow());
    EXPECT_EQ(NSApplication::shared().keyWindow(), sheet);
    EXPECT_EQ(first->presentingViewController(), main);
    EXPECT_EQ(take(log), (std::vector<std::string>{"first loaded", "first appeared", "second loaded"}));

    click(*parent, {150, 100}, 0);
    EXPECT_EQ(clicks, 0) << "the parent takes no clicks while a sheet is on it";

    first->dismissSelf();
    EXPECT_EQ(parent->attachedSheet()->contentViewController(), second);
    EXPECT_FALSE(first->presentingViewController());
    EXPECT_EQ(take(log), (std::vector<std::string>{"first disappeared", "second appeared"}));
    main->dismiss(second);
    EXPECT_FALSE(parent->attachedSheet());
    EXPECT_TRUE(parent->isKeyWindow()) << "the parent is key again";
    click(*parent, {150, 100}, 1);
    EXPECT_EQ(clicks, 1);

    // A sheet begun directly reports how it ended; closing the parent ends it.
    std::vector<NSModalResponse> endings;
    auto plain = NSWindow::make({0, 0, 50, 50});
    parent->beginSheet(plain, [&](NSModalResponse response) { endings.push_back(response); });
    parent->beginSheet(plain);
    EXPECT_EQ(plain->sheetParent(), parent);
    parent->close();
    EXPECT_EQ(endings, std::vector{NSModalResponse::abort});
    EXPECT_FALSE(plain->isVisible());
    EXPECT_FALSE(parent->isVisible());
    RunLoop::main().runUntilIdle();
}

TEST(NSWindow, KeysReachTheFieldBeingEditedUnlessASheetIsOnTheWindow)
{
    auto window = NSWindow::make({0, 0, 200, 100});
    auto field = NSView::make<NSTextField>(CGRect{10, 10, 150, 30});
    window->contentView()->addSubview(field);
    window->makeKeyAndOrderFront();
    click(*window, {20, 20}, 0);
    for (const char* key : {"密", "码", "e\xCC\x81", "x", "\x7f", "\r", "\t"})
        window->sendEvent(NSEvent::keyEvent(key, 1));
    EXPECT_EQ(field->stringValue(), "密码e\xCC\x81") << "delete takes the last character; return and tab type nothing";
    window->sendEvent(NSEvent::keyEvent("\x7f", 2));
    EXPECT_EQ(field->stringValue(), "密码e") << "a combining mark goes on its own";

    auto sheet = NSWindow::make({0, 0, 50, 50});
    window->beginSheet(sheet);
    window->sendEvent(NSEvent::keyEvent("z", 3));
    EXPECT_EQ(field->stringValue(), "密码e");
    window->endSheet(sheet);
    window->sendEvent(NSEvent::keyEvent("z", 4));
    EXPECT_EQ(field->stringValue(), "密码ez");
    window->orderOut();
}

TEST(NSApplication, QuitsAfterTheLastWindowClosesWhenTheDelegateSaysSoAndPassesOnReopens)
{
    Application application;
    auto first = NSWindow::make({0, 0, 100, 100});
    auto second = NSWindow::make({0, 0, 100, 100});
    first->makeKeyAndOrderFront();
    second->makeKeyAndOrderFront();
    EXPECT_TRUE(second->isKeyWindow());
    EXPECT_FALSE(first->isKeyWindow()) << "one key window at a time";
    auto windows = application.app.windows();
    EXPECT_LT(std::find(windows.begin(), windows.end(), first), std::find(windows.begin(), windows.end(), second))
        << "in the order they were made";

    EXPECT_TRUE(application.app.reopen());
    second->close();
    EXPECT_TRUE(first->isKeyWindow()) << "the key status passes on";
    RunLoop::main().runUntilIdle();
    EXPECT_EQ(application.exits, 0) << "a window is still open";

    first->orderOut();
    EXPECT_TRUE(application.app.reopen());
    EXPECT_EQ(application.delegate->reopens, (std::vector{true, false}));

    first->makeKeyAndOrderFront();
    application.delegate->quitsWithLastWindow = false;
    first->close();
    RunLoop::main().runUntilIdle();
    EXPECT_EQ(application.exits, 0) << "the delegate keeps it running";

    first->makeKeyAndOrderFront();
    application.delegate->quitsWithLastWindow = true;
    first->close();
    EXPECT_EQ(application.exits, 0) << "not while the close is still running";
    RunLoop::main().runUntilIdle();
    EXPECT_EQ(application.exits, 1);
}
