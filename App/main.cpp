// Parvex: the settings app. One copy runs per session: a second start asks
// the running one to show its window and leaves. Builds its main interface
// (the window with the settings, the application delegate, the updater) on
// the desktop's display when there is one, headless otherwise, and hands
// over to the application.
#include "App/App.h"
#include "App/HelperApp.h"
#include "App/MainInterface.h"
#include "App/UpdateAnnouncer.h"
#include "BaseUI/Theme/NSAppleInterfaceTheme.h"
#include "Platform/AppKit/NSApplication.h"
#include "Platform/Foundation/NSBundle.h"
#include "Platform/Freedesktop/ApplicationInstance.h"
#include "Platform/Freedesktop/DesktopSession.h"
#include "Platform/Gtk/GtkDesktop.h"
#include "Shared/Console.h"

int main(int argc, char** argv)
{
    Console::shared().setPath("/Users/tamsel/Parvex.txt");
    NSApplication& application = NSApplication::shared();
    application.installSignalSources();
    auto bundle = NSBundle::main();
    std::string name = bundle->string("CFBundleName").value_or("Parvex");
    std::string identifier = bundle->bundleIdentifier().value_or("top.kestrova.macOS.Parvex");

    // Opened again by the desktop (its menu, the tray's "打开 Parvex"): the
    // windows come to the front, then the delegate has its say.
    ApplicationInstance instance(identifier, [&application] {
        application.activate(true);
        application.reopen();
    });
    if (instance.claim() == ApplicationInstance::Role::secondary) {
        Console::shared().printLog(name + " runs already: asked it to show its window", "main()");
        return 0;
    }

    auto report = [](const std::string& line) { Console::shared().printLog(line, "main()"); };
    DesktopAppearance::Domain appearance{NSAppleInterfaceTheme::globalDomainPath(), NSAppleInterfaceTheme::styleKey,
                                         NSAppleInterfaceTheme::themeChangedNotificationName()};
    DesktopSession::install({.windows = [&] {
                                 return GtkDesktop::install({identifier, name, App::resourcesPath() + "/AppIcon.svg"},
                                                            report);
                             },
                             .appearance = appearance,
                             .report = report});

    auto updates = std::make_shared<UpdateAnnouncer>(
        name, [](const std::string& line) { Console::shared().printLog(line, "checkForUpdatesInBackground()"); },
        std::make_shared<NSUserNotificationCenter>(name, identifier));
    MainInterface interface(HelperApp::shared(), ViewController::shared(), updates);
    interface.load(application);
    return NSApplicationMain(argc, argv);
}
