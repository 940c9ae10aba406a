// ParvexMenu: the menu-bar app. Builds its main interface (the status item's
// menu with its two fixed items) and hands over to the application.
#include <memory>

#include "Helper/AppDelegate.h"
#include "Helper/NTFSManager/MountNotifier.h"
#include "Helper/NTFSManager/NTFSManager.h"
#include "Helper/NTFSManager/VolumeEnvironment.h"
#include "Platform/AppKit/NSApplication.h"
#include "Platform/AppKit/NSMenu.h"
#include "Platform/AppKit/NSMenuItem.h"
#include "Platform/Foundation/NSBundle.h"
#include "Platform/Freedesktop/DesktopSession.h"
#include "Platform/Freedesktop/InstanceLock.h"
#include "Shared/Console.h"

namespace {
constexpr const char* kIdentifier = "top.kestrova.macOS.Parvex.Helper";
}  // namespace

int main(int argc, char** argv)
{
    Console::shared().setPath("/Users/tamsel/Parvex.txt");
    // One copy per user: two would mount the same volumes on the same folders,
    // show two icons and notify twice. The settings app's relaunch starts the
    // new copy only once the old one has ended.
    auto bundle = NSBundle::main();
    InstanceLock instance(bundle ? bundle->bundleIdentifier().value_or(kIdentifier) : kIdentifier);
    switch (instance.claim()) {
    case InstanceLock::Role::secondary:
        Console::shared().printLog("ParvexMenu runs already: this copy leaves it the volumes and quits", "main()");
        return 0;
    case InstanceLock::Role::alone:
        Console::shared().printLog("cannot tell whether ParvexMenu runs already: " + instance.why(), "main()");
        break;
    case InstanceLock::Role::primary:
        break;
    }
    NSApplication& application = NSApplication::shared();
    application.installSignalSources();
    // The status item goes to the desktop's panel, whichever kind it has.
    DesktopSession::install({.statusItem = true,
                             .report = [](const std::string& line) { Console::shared().printLog(line, "statusItem"); }});
    auto mainMenu = std::make_shared<NSMenu>();
    auto delegate = std::make_shared<AppDelegate>(NTFSManager::shared(), mainMenu, application);

    auto openItem = std::make_shared<NSMenuItem>("打开 Parvex");
    openItem->setAction(delegate, &AppDelegate::openMainApp);
    mainMenu->addItem(openItem);
    auto quitItem = std::make_shared<NSMenuItem>("退出", nullptr, "q");
    quitItem->setAction(delegate, &AppDelegate::terminate);
    mainMenu->addItem(quitItem);
    mainMenu->setDelegate(delegate);
    // The failed mount's notification opens the settings app as this item does.
    if (auto notifier = VolumeEnvironment::standard()->notifier)
        notifier->setOpenSettings([delegate, openItem] { delegate->openMainApp(*openItem); });

    application.setDelegate(delegate);
    return NSApplicationMain(argc, argv);
}
