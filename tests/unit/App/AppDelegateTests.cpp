// The app as a whole: its main interface, its delegate and its pictures.
#include <gtest/gtest.h>

#include <chrono>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include "App/AppDelegate.h"
#include "Platform/AppKit/NSApplication.h"
#include "Platform/AppKit/NSImage.h"
#include "Platform/AppKit/NSRunningApplication.h"
#include "Platform/Sparkle/SPUStandardUpdaterController.h"
#include "Platform/Sparkle/SPUUserDriver.h"
#include "SettingsScene.h"
#include "support/Bundles.h"
#include "support/PixelColor.h"

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

TEST(AppDelegate, StartsTheMenuAppASecondAndChecksForUpdatesFiveSecondsAfterLaunch)
{
    // A stand-in menu-bar app: a bundle with its identifier around a sleep,
    // and an app bundle that names no update feed, so a check reaches the
    // user driver at once.
    TemporaryFolder folder("menuapp");
    std::string menuApp = makeBundle(folder, "ParvexMenu", std::string(HelperApp::bundleIdentifier), "ParvexMenu");
    installSleep(menuApp, "ParvexMenu");
    std::string executable = menuApp + "/Contents/MacOS/ParvexMenu";
    char* argv[] = {executable.data(), const_cast<char*>("30"), nullptr};
    pid_t pid = -1;
    ASSERT_EQ(::posix_spawn(&pid, executable.c_str(), nullptr, nullptr, argv, environ), 0);
    std::string host = makeBundle(folder, "Parvex", "top.kestrova.macOS.Parvex", "Parvex");
    struct Checks : SPUUserDriver {
        void showUpdateFound(const SUAppcastItem&, const std::string&) override { ++count; }
        void showUpdateNotFound(const SUAppcastItem&, const std::string&) override { ++count; }
        void showUpdaterError(const Error&) override { ++count; }
        int count = 0;
    };

    // A timer never fires before its time, so the lower bounds hold however
    // busy the machine; a delay twice as long misses the upper ones.
    using Clock = std::chrono::steady_clock;
    auto secondsSince = [](Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); };
    for (bool running : {false, true}) {
        SettingsScene scene;
        if (running)
            scene.helperApp = std::make_unique<HelperApp>(HelperApp::Context{
                [] { return std::string(SettingsScene::bundle); }, [] { return std::string(); }, scene.folder / "",
                scene.folder / "user/", scene.settings.get(),
                [pid] { return std::vector{NSRunningApplication::withProcessIdentifier(pid)}; },
                [&](const std::string& path) { scene.launches.push_back(path); }});
        auto checks = std::make_shared<Checks>();
        auto updater = std::make_shared<SPUStandardUpdaterController>(checks, std::make_shared<NSBundle>(host));
        auto delegate = std::make_shared<AppDelegate>(*scene.helperApp);
        delegate->updaterController = updater;
        auto launched = Clock::now();
        delegate->applicationDidFinishLaunching(Notification{NSApplication::didFinishLaunchingNotification});
        RunLoop::main().runUntilIdle();
        EXPECT_TRUE(scene.launches.empty()) << "not at once";
        EXPECT_EQ(checks->count, 0) << "not at once";
        EXPECT_TRUE(delegate->applicationShouldTerminateAfterLastWindowClosed(NSApplication::shared()));
        if (running) {
            RunLoop::main().runUntil([&] { return !scene.launches.empty(); }, 2.0);
            EXPECT_TRUE(scene.launches.empty()) << "it runs already";
            continue;
        }
        ASSERT_TRUE(RunLoop::main().runUntil([&] { return !scene.launches.empty(); }, 2.5));
        double menuApp = secondsSince(launched);
        EXPECT_GE(menuApp, 1.0);
        EXPECT_LT(menuApp, 2.0);
        EXPECT_EQ(scene.launches.size(), 1u);
        EXPECT_EQ(checks->count, 0) << "the update check comes later";
        ASSERT_TRUE(RunLoop::main().runUntil([&] { return checks->count > 0; }, 11.0 - menuApp));
        double update = secondsSince(launched);
        EXPECT_GE(update, 5.0);
        EXPECT_LT(update, 10.0);
        EXPECT_EQ(checks->count, 1);
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
        EXPECT_EQ(image->representations().front().pixelsWide, 16u);
        auto dense = NSBitmapImageRep::fromPNG(image->dataForScale(2), 2);
        ASSERT_TRUE(dense);
        EXPECT_EQ(dense->pixelsWide(), 32);
        // Inside the box, clear of the tick: white when empty, blue when ticked.
        NSColor middle = pixelColor(*dense, 22, 24);
        bool ticked = std::string(name) == "ok";
        EXPECT_EQ(middle.blueComponent() > 0.7 && middle.redComponent() < 0.3, ticked) << name;
        EXPECT_EQ(middle == NSColor::white(), !ticked) << name;
    }
}
