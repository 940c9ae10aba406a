#include "Platform/Freedesktop/DesktopSession.h"

#include <memory>

#include "Platform/AppKit/NSRunningApplication.h"
#include "Platform/AppKit/StatusBarBackend.h"
#include "Platform/Foundation/NSBundle.h"
#include "Platform/Freedesktop/ApplicationInstance.h"
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
    if (choice.windows && !choice.windows() && choice.report)
        choice.report("no display: the window runs headless");
}
