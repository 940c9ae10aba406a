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
    void applicationDidFinishLaunching(const Notification& note) override
    {
        calls.push_back(note.name);
        if (onLaunch)
            onLaunch();
    }
    void applicationWillTerminate(const Notification& note) override
    {
        calls.push_back(note.name);
        if (onTerminate)
            onTerminate();
    }

    std::vector<std::string> calls;
    std::function<void()> onLaunch, onTerminate;
};

std::shared_ptr<RecordingDelegate> attach(NSApplication& application)
{
    auto delegate = std::make_shared<RecordingDelegate>();
    application.setDelegate(delegate);
    application.setExitFunction([delegate](int status) { delegate->calls.push_back("exit " + std::to_string(status)); });
    return delegate;
}

// Runs with a watchdog that stops the loop if nothing else does.
void runWithWatchdog(NSApplication& application)
{
    bool watchdogFired = false;
    auto watchdog = Timer::scheduledTimer(10, false, [&](Timer&) {
        watchdogFired = true;
        RunLoop::main().stop();
    });
    application.run();
    watchdog->invalidate();
    EXPECT_FALSE(watchdogFired);
}

const std::vector<std::string> kQuit = {NSApplication::willTerminateNotification, "exit 0"};
const std::vector<std::string> kLaunchAndQuit = {NSApplication::didFinishLaunchingNotification, kQuit[0], kQuit[1]};

}  // namespace

TEST(NSApplicationTest, TerminateTellsTheDelegateThenExitsOnceAndLaunchingIsToldOnce)
{
    NSApplication application;
    auto delegate = attach(application);
    delegate->onLaunch = [&] { application.terminate(); };
    runWithWatchdog(application);
    EXPECT_EQ(delegate->calls, kLaunchAndQuit);

    delegate->calls.clear();
    DispatchQueue::main().async([&] { application.terminate(); });
    runWithWatchdog(application);
    EXPECT_EQ(delegate->calls, kQuit);

    // A terminate from applicationWillTerminate: is not repeated.
    delegate->calls.clear();
    delegate->onTerminate = [&] { application.terminate(); };
    application.terminate();
    EXPECT_EQ(delegate->calls, kQuit);
}

TEST(NSApplicationTest, SigtermAndSigintRunTheTerminateSequence)
{
    for (int number : {SIGTERM, SIGINT}) {
        NSApplication application;
        auto delegate = attach(application);
        delegate->onLaunch = [number] { ::kill(::getpid(), number); };
        runWithWatchdog(application);
        EXPECT_EQ(delegate->calls, kLaunchAndQuit) << number;
    }
}
