#include <gtest/gtest.h>

#include <signal.h>

#include <string>
#include <vector>

#include "Platform/AppKit/NSApplication.h"
#include "Platform/AppKit/NSApplicationDelegate.h"
#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/Foundation/Timer.h"

namespace {

class RecordingDelegate : public NSApplicationDelegate {
public:
    void applicationWillFinishLaunching(const Notification& note) override { calls.push_back(note.name); }
    void applicationDidFinishLaunching(const Notification& note) override
    {
        calls.push_back(note.name);
        if (onLaunch)
            onLaunch();
    }
    void applicationWillTerminate(const Notification& note) override { calls.push_back(note.name); }
    bool applicationShouldTerminateAfterLastWindowClosed(NSApplication&) override { return quitWithLastWindow; }

    std::vector<std::string> calls;
    std::function<void()> onLaunch;
    bool quitWithLastWindow = false;
};

class NSApplicationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_application.setDelegate(m_delegate);
        m_application.setExitFunction([this](int status) {
            m_delegate->calls.push_back("exit " + std::to_string(status));
        });
    }

    // Runs the application with a watchdog that stops the loop if nothing does.
    void runWithWatchdog()
    {
        bool watchdogFired = false;
        auto watchdog = Timer::scheduledTimer(10, false, [&](Timer&) {
            watchdogFired = true;
            RunLoop::main().stop();
        });
        m_application.run();
        watchdog->invalidate();
        EXPECT_FALSE(watchdogFired);
    }

    std::shared_ptr<RecordingDelegate> m_delegate = std::make_shared<RecordingDelegate>();
    NSApplication m_application;
};

const std::vector<std::string> kLaunchAndQuit = {
    NSApplication::willFinishLaunchingNotification,
    NSApplication::didFinishLaunchingNotification,
    NSApplication::willTerminateNotification,
    "exit 0",
};

}  // namespace

TEST_F(NSApplicationTest, TerminateTellsTheDelegateThenExits)
{
    m_delegate->onLaunch = [this] { m_application.terminate(); };
    runWithWatchdog();
    EXPECT_EQ(m_delegate->calls, kLaunchAndQuit);
    EXPECT_FALSE(m_application.isRunning());

    // Launching is told once per application, however often it runs.
    m_delegate->calls.clear();
    DispatchQueue::main().async([this] { m_application.terminate(); });
    runWithWatchdog();
    EXPECT_EQ(m_delegate->calls, (std::vector<std::string>{NSApplication::willTerminateNotification, "exit 0"}));
}

TEST_F(NSApplicationTest, TerminateFromWillTerminateIsNotRepeated)
{
    class Reentrant : public RecordingDelegate {
    public:
        explicit Reentrant(NSApplication& application) : m_application(application) { }
        void applicationWillTerminate(const Notification& note) override
        {
            RecordingDelegate::applicationWillTerminate(note);
            m_application.terminate();
        }
        NSApplication& m_application;
    };
    auto delegate = std::make_shared<Reentrant>(m_application);
    int exits = 0;
    m_application.setDelegate(delegate);
    m_application.setExitFunction([&](int) { ++exits; });
    m_application.terminate();
    EXPECT_EQ(exits, 1);
    EXPECT_EQ(delegate->calls, std::vector<std::string>{NSApplication::willTerminateNotification});
}

TEST_F(NSApplicationTest, SigtermAndSigintRunTheTerminateSequence)
{
    for (int number : {SIGTERM, SIGINT}) {
        NSApplication application;
        auto delegate = std::make_shared<RecordingDelegate>();
        application.setDelegate(delegate);
        application.setExitFunction([&](int status) { delegate->calls.push_back("exit " + std::to_string(status)); });
        delegate->onLaunch = [number] { ::kill(::getpid(), number); };
        bool watchdogFired = false;
        auto watchdog = Timer::scheduledTimer(10, false, [&](Timer&) {
            watchdogFired = true;
            RunLoop::main().stop();
        });
        application.run();
        watchdog->invalidate();
        EXPECT_FALSE(watchdogFired) << number;
        EXPECT_EQ(delegate->calls, kLaunchAndQuit) << number;
    }
}

TEST_F(NSApplicationTest, LastWindowClosingQuitsOnlyWhenTheDelegateSaysSo)
{
    m_application.lastWindowDidClose();
    EXPECT_TRUE(m_delegate->calls.empty());
    m_delegate->quitWithLastWindow = true;
    m_application.lastWindowDidClose();
    EXPECT_EQ(m_delegate->calls, (std::vector<std::string>{NSApplication::willTerminateNotification, "exit 0"}));
}
