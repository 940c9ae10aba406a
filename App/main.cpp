// Parvex: the settings app. Builds its main interface (the window with the
// settings, the application delegate, the updater) and hands over to the
// application.
#include "App/HelperApp.h"
#include "App/MainInterface.h"
#include "Platform/AppKit/NSApplication.h"
#include "Platform/AppKit/NSBundle.h"
#include "Platform/Sparkle/SPUStandardUserDriver.h"
#include "Shared/Console.h"

int main(int argc, char** argv)
{
    Console::shared().setPath("/Users/tamsel/Parvex.txt");
    NSApplication& application = NSApplication::shared();
    application.installSignalSources();
    auto updateLog = std::make_shared<SPUStandardUserDriver>(
        NSBundle::main()->string("CFBundleName").value_or("Parvex"),
        [](const std::string& line) { Console::shared().printLog(line, "checkForUpdatesInBackground()"); });
    MainInterface interface(HelperApp::shared(), ViewController::shared(), updateLog);
    interface.load(application);
    return NSApplicationMain(argc, argv);
}
