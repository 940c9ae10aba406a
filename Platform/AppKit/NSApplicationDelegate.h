#pragma once

#include "Platform/Foundation/Notification.h"

class NSApplication;

// Told about the application's life; every call comes on the main thread.
class NSApplicationDelegate {
public:
    virtual ~NSApplicationDelegate() = default;

    virtual void applicationDidFinishLaunching(const Notification&) { }
    // The last call before the process exits.
    virtual void applicationWillTerminate(const Notification&) { }
    virtual bool applicationShouldTerminateAfterLastWindowClosed(NSApplication&) { return false; }
    // The user opened the application again while it runs; `hasVisibleWindows`
    // says whether any of its windows shows. Yes lets the platform do its
    // default, which here is nothing more.
    virtual bool applicationShouldHandleReopen(NSApplication&, bool /*hasVisibleWindows*/) { return true; }
};
