#include <gmock/gmock.h>

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include "Platform/AppKit/NSBundle.h"
#include "Platform/AppKit/NSRunningApplication.h"
#include "Platform/AppKit/NSWorkspace.h"
#include "Platform/Foundation/RunLoop.h"
#include "MenuScene.h"
#include "unit/AppKit/TempBundle.h"

extern char** environ;

namespace {

constexpr const char* kLoginItems = "/Contents/Library/LoginItems/ParvexMenu.app";

// A settings app next to this test (its program notes each start in a file and
// ends), with ParvexMenu inside it as the main bundle.
class SettingsAppTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Processes are not private to a test: one of another test's settings
        // apps would make these choices do nothing.
        if (settingsAppRuns())
            GTEST_SKIP() << "a settings app runs already on this machine";
        m_settings = m_folder.makeBundle("Parvex", AppDelegate::settingsAppIdentifier, "Parvex");
        m_starts = m_folder.path() + "/starts";
        std::string program = m_settings + "/Contents/MacOS/Parvex";
        FileManager::writeAtomically(program, "#!/bin/sh\necho started >> '" + m_starts + "'\n");
        ::chmod(program.c_str(), 0755);
        std::string menuApp = m_settings + kLoginItems;
        FileManager::createDirectory(menuApp + "/Contents/MacOS", true);
        NSBundle::setMain(std::make_shared<NSBundle>(menuApp));
    }

    void TearDown() override
    {
        NSBundle::setMain(nullptr);
        if (m_running > 0) {
            ::kill(m_running, SIGKILL);
            ::waitpid(m_running, nullptr, 0);
        }
    }

    static bool settingsAppRuns()
    {
        for (auto& application : NSWorkspace::shared().runningApplications()) {
            if (application->bundleIdentifier() == AppDelegate::settingsAppIdentifier)
                return true;
        }
        return false;
    }

    size_t starts() const
    {
        std::string text = FileManager::contents(m_starts).value_or("");
        return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
    }

    bool waitForStarts(size_t count)
    {
        return RunLoop::main().runUntil([&] { return starts() >= count; }, 10);
    }

    // Another copy of the settings app, started by hand and left running.
    void startAnotherCopy()
    {
        std::string copy = m_folder.makeBundle("ParvexCopy", AppDelegate::settingsAppIdentifier, "Parvex");
        TempFolder::installSleep(copy, "Parvex");
        std::string executable = copy + "/Contents/MacOS/Parvex";
        char* argv[] = {executable.data(), const_cast<char*>("60"), nullptr};
        ASSERT_EQ(::posix_spawn(&m_running, executable.c_str(), nullptr, nullptr, argv, environ), 0);
    }

    void stopAnotherCopy()
    {
        ::kill(m_running, SIGKILL);
        ::waitpid(m_running, nullptr, 0);
        m_running = -1;
    }

    TempFolder m_folder;
    std::string m_settings;
    std::string m_starts;
    pid_t m_running = -1;
    MenuScene m_scene;
};

}  // namespace

TEST(SettingsAppPath, DropsThisBundleAndTheThreeFoldersAboveIt)
{
    EXPECT_EQ(AppDelegate::settingsAppPath(std::string("/Applications/Parvex.app") + kLoginItems),
              "/Applications/Parvex.app");
    EXPECT_EQ(AppDelegate::settingsAppPath("/Users/tamsel/Parvex.app/Contents/Library/LoginItems/ParvexMenu.app/"),
              "/Users/tamsel/Parvex.app");
    EXPECT_EQ(AppDelegate::settingsAppPath("/Parvex.app/Contents/Library/LoginItems/ParvexMenu.app"), "/Parvex.app");
    // A copy started from anywhere else has no settings app around it.
    EXPECT_EQ(AppDelegate::settingsAppPath("/Contents/Library/LoginItems/ParvexMenu.app"), "");
    EXPECT_EQ(AppDelegate::settingsAppPath("/Applications/ParvexMenu.app"), "");
    EXPECT_EQ(AppDelegate::settingsAppPath("/"), "");
}

TEST(SettingsAppPath, TheBuiltBundlesNestAsTheMenuAppExpects)
{
    NSBundle menuApp(std::string(PARVEX_BINARY_DIR "/Parvex.app") + kLoginItems);
    EXPECT_EQ(menuApp.bundleIdentifier(), "top.kestrova.macOS.Parvex.Helper");
    EXPECT_EQ(menuApp.string("CFBundleExecutable"), "ParvexMenu");
    auto agent = menuApp.infoDictionary().find("LSUIElement");
    ASSERT_NE(agent, menuApp.infoDictionary().end()) << "no Dock icon for the menu-bar app";
    EXPECT_EQ(std::get<bool>(agent->second), true);

    NSBundle settings(AppDelegate::settingsAppPath(menuApp.bundlePath()));
    EXPECT_EQ(settings.bundlePath(), PARVEX_BINARY_DIR "/Parvex.app");
    EXPECT_EQ(settings.bundleIdentifier(), AppDelegate::settingsAppIdentifier);
}

TEST_F(SettingsAppTest, OpensTheSettingsAppAroundThisBundle)
{
    ASSERT_TRUE(m_scene.choose(MenuScene::openTitle));
    EXPECT_TRUE(waitForStarts(1));
    EXPECT_TRUE(m_scene.exits.empty());
}

TEST_F(SettingsAppTest, DoesNothingWhileTheSettingsAppRuns)
{
    startAnotherCopy();
    ASSERT_TRUE(RunLoop::main().runUntil(settingsAppRuns, 10)) << "the copy never showed up as running";
    ASSERT_TRUE(m_scene.choose(MenuScene::openTitle));

    // Then the same choice with nothing running starts the app once: had the
    // first choice started it too, its note would be here as well.
    stopAnotherCopy();
    ASSERT_TRUE(m_scene.choose(MenuScene::openTitle));
    ASSERT_TRUE(waitForStarts(1));
    RunLoop::main().runUntil([] { return false; }, 0.2);
    EXPECT_EQ(starts(), 1u);
}
