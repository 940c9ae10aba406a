#pragma once

#include <functional>
#include <memory>
#include <vector>

class NSApplicationDelegate;
class NSWindow;

// The application object: runs the main run loop, tells its delegate about
// launching and quitting, and turns SIGTERM and SIGINT (how another program asks
// it to quit) into its normal terminate sequence.
class NSApplication {
public:
    using ExitFunction = std::function<void(int status)>;

    static constexpr const char* didFinishLaunchingNotification = "NSApplicationDidFinishLaunchingNotification";
    static constexpr const char* willTerminateNotification = "NSApplicationWillTerminateNotification";

    static NSApplication& shared();

    // Tests make their own; a program uses shared().
    NSApplication();
    ~NSApplication();
    NSApplication(const NSApplication&) = delete;
    NSApplication& operator=(const NSApplication&) = delete;

    // Kept by the application, as the main interface file would keep it.
    const std::shared_ptr<NSApplicationDelegate>& delegate() const { return m_delegate; }
    void setDelegate(std::shared_ptr<NSApplicationDelegate> delegate) { m_delegate = std::move(delegate); }

    // The first run sends did-finish-launching as the loop's first work; then
    // the main run loop runs until terminate(). Signals are turned into
    // terminate() while it runs.
    void run();

    // applicationWillTerminate:, then the exit function with status 0. The
    // default exit function ends the process; a test's may return, and then
    // the run loop stops and run() returns. The sender is not used.
    void terminate(const void* sender = nullptr);
    void setExitFunction(ExitFunction exit) { m_exit = std::move(exit); }

    // Every window made with NSWindow::make() that still exists, sheets
    // included, in the order they were made.
    std::vector<std::shared_ptr<NSWindow>> windows() const;
    std::shared_ptr<NSWindow> keyWindow() const { return m_keyWindow.lock(); }
    // Brings the application to the front: a desktop backend raises it.
    void activate(bool ignoringOtherApps);
    bool isActive() const { return m_active; }
    // The user opens the application again while it runs (a desktop
    // backend's activation, the Dock icon on the original platform): the
    // delegate decides what to do, knowing whether a window is visible.
    // Returns its answer (yes without a delegate).
    bool reopen();

    // The window layer reports here: a window was made, became key (none:
    // no window is key now) or closed. When no window is visible after a
    // close, lastWindowDidClose() follows once the close is over.
    void addWindow(const std::shared_ptr<NSWindow>& window);
    void windowBecameKey(const std::shared_ptr<NSWindow>& window) { m_keyWindow = window; }
    void windowDidClose(NSWindow& window);
    // Terminates when the delegate wants that once the last window closed.
    void lastWindowDidClose();

    // From now on SIGTERM and SIGINT become terminate() once the loop runs; a
    // program calls it first thing, so a request to quit that comes while it
    // is still starting up is not lost. run() calls it too.
    void installSignalSources();

private:
    void finishLaunching();
    void removeSignalSources();

    bool hasVisibleWindows() const;

    std::shared_ptr<NSApplicationDelegate> m_delegate;
    ExitFunction m_exit;
    std::vector<std::weak_ptr<NSWindow>> m_windows;
    std::weak_ptr<NSWindow> m_keyWindow;
    bool m_active = false;
    std::vector<unsigned> m_signalSources;
    // Work queued for later holds this weakly: tests make and drop applications.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
    bool m_launched = false;
    bool m_stopRequested = false;
    bool m_running = false;
    bool m_terminating = false;
};

// The program's entry point hands over here once its delegate is set: runs the
// shared application; returns (with 0) only if the run loop is stopped.
int NSApplicationMain(int argc, char** argv);
