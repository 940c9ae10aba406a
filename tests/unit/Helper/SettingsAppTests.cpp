#include <gmock/gmock.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include "MenuScene.h"
#include "Platform/AppKit/NSRunningApplication.h"
#include "Platform/AppKit/NSWorkspace.h"
#include "Platform/Foundation/NSBundle.h"
#include "Platform/Foundation/RunLoop.h"
#include "support/Bundles.h"

extern char** environ;

namespace {

constexpr const char* kLoginItems = "/Contents/Library/LoginItems/ParvexMenu.app";

bool settingsAppRuns()
{
    for (auto& application : NSWorkspace::shared().runningApplications()) {
        if (application->bundleIdentifier() == AppDelegate::settingsAppIdentifier)
            return true;
    }
    return false;
}

}  // namespace

TEST(SettingsAppPath, DropsThisBundleAndTheThreeFoldersAboveIt)
{
    EXPECT_EQ(AppDelegate::settingsAppPath(std::string("/Applications/Parvex.app") + kLoginItems), "/Applications/Parvex.app");
    EXPECT_EQ(AppDelegate::settingsAppPath("/Users/tamsel/Parvex.app/Contents/Library/LoginItems/ParvexMenu.app/"),
              "/Users/tamsel/Parvex.app");
    // A copy started from anywhere else has no settings app around it.
    EXPECT_EQ(AppDelegate::settingsAppPath("/Contents/Library/LoginItems/ParvexMenu.app"), "");
    EXPECT_EQ(AppDelegate::settingsAppPath("/Applications/ParvexMenu.app"), "");
    EXPECT_EQ(AppDelegate::settingsAppPath("/"), "");

    // The built bundles nest that way, the menu-bar app without a Dock icon.
    NSBundle menuApp(std::string(PARVEX_BINARY_DIR "/Parvex.app") + kLoginItems);
    EXPECT_EQ(menuApp.bundleIdentifier(), "top.kestrova.macOS.Parvex.Helper");
    EXPECT_EQ(menuApp.executablePath(), menuApp.bundlePath() + "/Contents/MacOS/ParvexMenu");
    ASSERT_NE(menuApp.objectForInfoDictionaryKey("LSUIElement"), nullptr);
    EXPECT_EQ(*menuApp.objectForInfoDictionaryKey("LSUIElement"), PropertyListValue(true));
    NSBundle settings(AppDelegate::settingsAppPath(menuApp.bundlePath()));
    EXPECT_EQ(settings.bundleIdentifier(), AppDelegate::settingsAppIdentifier);
}

// A settings app whose program notes each start in a file, with ParvexMenu
// inside it as the main bundle.
TEST(SettingsApp, OpensTheSettingsAppAroundThisBundleOrAsksTheRunningOneToShowItsWindow)
{
    // Processes are not private to a test: another test's settings app would
    // make these choices do nothing.
    if (settingsAppRuns())
        GTEST_SKIP() << "a settings app runs already on this machine";
    TemporaryFolder folder{"appkit"};
    std::string settings = makeBundle(folder, "Parvex", AppDelegate::settingsAppIdentifier, "Parvex");
    std::string notes = folder.path() + "/starts";
    std::string program = settings + "/Contents/MacOS/Parvex";
    writeFile(program, "#!/bin/sh\necho started >> '" + notes + "'\n", 0755);
    std::filesystem::create_directories(settings + kLoginItems + "/Contents/MacOS");
    NSBundle::setMain(std::make_shared<NSBundle>(settings + kLoginItems));
    auto starts = [&] {
        std::string text = FileManager::contents(notes).valueOr("");
        return std::count(text.begin(), text.end(), '\n');
    };

    // Another copy, started by hand, is running: the choice asks it, over the
    // session bus, to show its window (this stand-in is not on the bus, and
    // the log says so) and starts nothing.
    std::string copy = makeBundle(folder, "ParvexCopy", AppDelegate::settingsAppIdentifier, "Parvex");
    installSleep(copy, "Parvex");
    std::string executable = copy + "/Contents/MacOS/Parvex";
    char* argv[] = {executable.data(), const_cast<char*>("60"), nullptr};
    pid_t running = -1;
    ASSERT_EQ(::posix_spawn(&running, executable.c_str(), nullptr, nullptr, argv, environ), 0);
    EXPECT_TRUE(RunLoop::main().runUntil(settingsAppRuns, 10)) << "the copy never showed up as running";
    MenuScene scene;
    EXPECT_TRUE(scene.choose(MenuScene::openTitle));
    EXPECT_TRUE(RunLoop::main().runUntil([] { return unitLog().find("the running settings app") != std::string::npos; }, 10))
        << unitLog();
    ::kill(running, SIGKILL);
    ::waitpid(running, nullptr, 0);

    // With nothing running it starts once: had the first choice started it
    // too, its note would be here as well.
    EXPECT_TRUE(scene.choose(MenuScene::openTitle));
    EXPECT_TRUE(RunLoop::main().runUntil([&] { return starts() >= 1; }, 10));
    RunLoop::main().runUntil([] { return false; }, 0.2);
    EXPECT_EQ(starts(), 1);
    EXPECT_TRUE(scene.exits.empty());
    NSBundle::setMain(nullptr);
}
