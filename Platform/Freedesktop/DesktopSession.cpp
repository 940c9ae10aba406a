#include "Platform/Freedesktop/DesktopSession.h"

#include <memory>
#include <vector>

#include "Platform/AppKit/NSRunningApplication.h"
#include "Platform/AppKit/StatusBarBackend.h"
#include "Platform/Foundation/NSBundle.h"
#include "Platform/Foundation/DistributedNotificationCenter.h"
#include "Platform/Freedesktop/ApplicationInstance.h"
#include "Platform/Freedesktop/SettingsPortalAppearance.h"
#include "Platform/Freedesktop/TrayStatusBarBackend.h"

void DesktopSession::install(const Choice& choice)
{
    // Another application opens again as a second start of it would ask.
    NSRunningApplication::setActivation(&ApplicationInstance::reopen);
    if (choice.statusItem) {
        // The X tray's presenter travels in the app's bundle, loaded only if needed.
        auto bundle = NSBundle::main();
        std::string module = bundle ? bundle->bundlePath() + "/Contents/PlugIns/XEmbedTray.so" : std::string();
        StatusBarBackend::install(std::make_shared<TrayStatusBarBackend>(std::move(module), choice.report));
    }
    if (!choice.windows)
        return;
    auto toolkit = choice.windows();
    if (!toolkit) {
        if (choice.report)
            choice.report("no display: the window runs headless");
        return;
    }
    if (!choice.appearance)
        return;
    std::vector<std::unique_ptr<AppearanceSource>> sources;
    sources.push_back(std::make_unique<SettingsPortalAppearance>());
    sources.push_back(std::move(toolkit));
    // It follows the desktop for as long as the program runs.
    static std::unique_ptr<DesktopAppearance> mirror;
    mirror = std::make_unique<DesktopAppearance>(std::move(sources), *choice.appearance,
                                                 DistributedNotificationCenter::defaultCenter(), choice.report);
    mirror->start();
}
