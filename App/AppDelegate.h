#pragma once

#include <memory>

#include "Platform/AppKit/NSApplicationDelegate.h"

class HelperApp;
class SPUStandardUpdaterController;

// The settings app's delegate: a second after launch it makes sure the
// menu-bar app runs, five seconds after launch it checks for updates, closing
// the window quits the app, and reopening it brings the window back.
class AppDelegate : public NSApplicationDelegate, public std::enable_shared_from_this<AppDelegate> {
public:
    static constexpr double menuAppLaunchDelay = 1.0;
    static constexpr double updateCheckDelay = 5.0;

    // The app's is the shared one.
    explicit AppDelegate(HelperApp& helperApp);

    // Connected by the main interface.
    std::weak_ptr<SPUStandardUpdaterController> updaterController;

    void applicationDidFinishLaunching(const Notification& notification) override;
    void applicationWillTerminate(const Notification& notification) override;
    bool applicationShouldTerminateAfterLastWindowClosed(NSApplication& sender) override;
    bool applicationShouldHandleReopen(NSApplication& sender, bool hasVisibleWindows) override;

private:
    HelperApp& m_helperApp;
};
