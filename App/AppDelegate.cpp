#include "App/AppDelegate.h"

#include "App/HelperApp.h"
#include "Platform/AppKit/NSApplication.h"
#include "Platform/AppKit/NSWindow.h"
#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/Sparkle/SPUStandardUpdaterController.h"
#include "Platform/Sparkle/SPUUpdater.h"
#include "Shared/Kit/Kit.h"

AppDelegate::AppDelegate(HelperApp& helperApp)
    : m_helperApp(helperApp)
{
}

void AppDelegate::applicationDidFinishLaunching(const Notification&)
{
    std::weak_ptr<AppDelegate> weak = weak_from_this();
    // The menu-bar app runs whenever the settings app is opened, whatever the
    // login-item setting says.
    Kit::delay(menuAppLaunchDelay, DispatchQueue::main(), [weak] {
        if (auto delegate = weak.lock())
            delegate->m_helperApp.launchIfNotRunning();
    });
    Kit::delay(updateCheckDelay, DispatchQueue::main(), [weak] {
        auto delegate = weak.lock();
        auto controller = delegate ? delegate->updaterController.lock() : nullptr;
        if (auto updater = controller ? controller->updater() : nullptr)
            updater->checkForUpdatesInBackground();
    });
}

void AppDelegate::applicationWillTerminate(const Notification&)
{
    // The window is gone; a relaunch after a mode change may still wait for
    // the old ParvexMenu to unmount its volumes.
    m_helperApp.finishRelaunch();
}

bool AppDelegate::applicationShouldTerminateAfterLastWindowClosed(NSApplication&)
{
    return true;
}

bool AppDelegate::applicationShouldHandleReopen(NSApplication& sender, bool hasVisibleWindows)
{
    if (hasVisibleWindows)
        return true;
    sender.activate(false);
    auto windows = sender.windows();
    if (!windows.empty())
        windows.front()->makeKeyAndOrderFront(&sender);
    return true;
}
