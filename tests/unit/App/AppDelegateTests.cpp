// The app as a whole: its main interface, its delegate and its pictures.
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include "App/AppDelegate.h"
#include "Platform/AppKit/NSApplication.h"
#include "Platform/AppKit/NSBitmapImageRep.h"
#include "Platform/AppKit/NSImage.h"
#include "Platform/AppKit/NSRunningApplication.h"
#include "Platform/Sparkle/SPUStandardUpdaterController.h"
#include "Platform/Sparkle/SPUUserDriver.h"
#include "SettingsScene.h"
#include "support/Bundles.h"

extern char** environ;

namespace {

// The shared application with the app's main interface loaded into it, and an
// exit that only counts.
struct LoadedApp {
    explicit LoadedApp(SettingsScene& scene)
        : interface(*scene.helperApp, scene.collaborators())
    {
        application.setExitFunction([this](int) { ++exits; });
        interface.load(application);
    }
    ~LoadedApp()
    {
        interface.window()->orderOut();
        application.setDelegate(nullptr);
        application.setExitFunction({});
    }
    NSApplication& application = NSApplication::shared();
    MainInterface interface;
    int exits = 0;
};

}  // namespace

TEST(MainInterface, ShowsTheSettingsWindowWithItsDelegateAndUpdaterConnected)
{
    SettingsScene scene;
    LoadedApp app(scene);
    const auto& window = app.interface.window();
    EXPECT_EQ(window->title(), "Parvex");
    EXPECT_EQ(window->contentRect().size, (CGSize{480, 280}));
    EXPECT_TRUE(window->isKeyWindow());
    EXPECT_EQ(window->contentViewController(), app.interface.viewController());
    EXPECT_EQ(app.application.delegate(), app.interface.appDelegate());
    EXPECT_EQ(app.interface.appDelegate()->updaterController.lock(), app.interface.updaterController());
    EXPECT_TRUE(app.interface.updaterController()->updater());

    // Closing the window ends the app, once the close is over.
    window->close();
    EXPECT_EQ(app.exits, 0);
    RunLoop::main().runUntilIdle();
    EXPECT_EQ(app.exits, 1);
}

TEST(AppDelegate, BringsTheWindowBackWhenReopenedWithNoneVisible)
{
    SettingsScene scene;
    LoadedApp app(scene);
    const auto& window = app.interface.window();
    auto other = NSWindow::make({0, 0, 10, 10});
    other->makeKeyAndOrderFront();
    EXPECT_TRUE(app.application.reopen());
    EXPECT_TRUE(other->isKeyWindow()) << "with a window visible, nothing changes";

    other->orderOut();
    window->orderOut();
    EXPECT_TRUE(app.application.reopen());
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isKeyWindow()) << "the app's first window comes to the front as key";
    EXPECT_TRUE(app.application.isActive());
}

TEST(AppDelegate, StartsTheMenuAppAboutASecondAfterLaunchUnlessItRuns)
{
    // A stand-in menu-bar app: a bundle with its identifier around a sleep.
    TemporaryFolder folder("menuapp");
    std::string menuApp = makeBundle(folder, "ParvexMenu", std::string(HelperApp::bundleIdentifier), "ParvexMenu");
    installSleep(menuApp, "ParvexMenu");
    std::string executable = menuApp + "/Contents/MacOS/ParvexMenu";
    char* argv[] = {executable.data(), const_cast<char*>("30"), nullptr};
    pid_t pid = -1;
    ASSERT_EQ(::posix_spawn(&pid, executable.c_str(), nullptr, nullptr, argv, environ), 0);

    for (bool running : {false, true}) {
        SettingsScene scene;
        if (running)
            scene.helperApp = std::make_unique<HelperApp>(HelperApp::Context{
                [] { return std::string(SettingsScene::bundle); }, [] { return std::string(); }, scene.folder / "",
                scene.folder / "user/", scene.settings.get(),
                [pid] { return std::vector{NSRunningApplication::withProcessIdentifier(pid)}; },
                [&](const std::string& path) { scene.launches.push_back(path); }});
        auto delegate = std::make_shared<AppDelegate>(*scene.helperApp);
        delegate->applicationDidFinishLaunching(Notification{NSApplication::didFinishLaunchingNotification});
        RunLoop::main().runUntilIdle();
        EXPECT_TRUE(scene.launches.empty()) << "not at once";
        RunLoop::main().runUntil([&] { return !scene.launches.empty(); }, running ? 1.5 : 10);
        EXPECT_EQ(scene.launches.size(), running ? 0u : 1u);
        EXPECT_TRUE(delegate->applicationShouldTerminateAfterLastWindowClosed(NSApplication::shared()));
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
}

TEST(CheckBoxImages, AreAnEmptyAndATickedBoxAtOneAndTwoPixelsPerPoint)
{
    SettingsScene scene;
    for (const char* name : {"normal", "ok"}) {
        auto image = NSImage::named(name);
        ASSERT_TRUE(image) << name;
        EXPECT_EQ(image->size(), (CGSize{16, 16}));
        EXPECT_EQ(image->pixelsWide(), 16u);
        auto dense = NSBitmapImageRep::fromPNG(image->dataForScale(2), 2);
        ASSERT_TRUE(dense);
        EXPECT_EQ(dense->pixelsWide(), 32);
        // Inside the box, clear of the tick: white when empty, blue when ticked.
        NSColor middle = dense->colorAt(22, 24);
        bool ticked = std::string(name) == "ok";
        EXPECT_EQ(middle.blueComponent() > 0.7 && middle.redComponent() < 0.3, ticked) << name;
        EXPECT_EQ(middle == NSColor::white(), !ticked) << name;
    }
}
