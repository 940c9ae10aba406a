#include <gmock/gmock.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <thread>

#include "App/HelperApp.h"
#include "App/PropertyList.h"
#include "Platform/AppKit/NSRunningApplication.h"
#include "Platform/Foundation/FileManager.h"
#include "Platform/Foundation/ProcessEntry.h"
#include "Platform/Foundation/RunLoop.h"
#include "Shared/SharedData.h"
#include "support/Bundles.h"
#include "support/TestLog.h"

namespace {

constexpr const char* kTemplate = PARVEX_SOURCE_DIR "/App/Resources/Auto.top.kestrova.macOS.Parvex.Helper.plist";

class LoginItem : public ::testing::Test {
protected:
    LoginItem()
        : m_settings(std::make_shared<UserDefaults>(std::string(SharedData::suiteName), m_folder / "settings.plist"))
        , m_helper(context())
    {
        std::filesystem::create_directories(m_folder / "Resources");
        std::filesystem::create_directories(m_folder / "LaunchAgents");
    }

    HelperApp::Context context()
    {
        HelperApp::Context context;
        context.bundlePath = [this] { return m_folder / "Parvex.app"; };
        context.resourcesPath = [this] { return m_folder / "Resources"; };
        context.launchAgentsPath = m_folder / "LaunchAgents/";
        context.sharedData = &m_settings;
        context.runningApplications = [this] { return m_running; };
        context.launchApplication = [this](const std::string& path) {
            m_launches.push_back(path);
            if (m_onLaunch)
                m_onLaunch();
        };
        return context;
    }

    std::string installed() const { return m_folder / "LaunchAgents/Auto.top.kestrova.macOS.Parvex.Helper.plist"; }
    std::string executable() const { return m_folder / "Parvex.app/Contents/Library/LoginItems/ParvexMenu.app/Contents/MacOS/ParvexMenu"; }

    // As the workspace reports it: a process in a bundle with this identifier.
    std::shared_ptr<NSRunningApplication> application(pid_t pid, const std::string& identifier)
    {
        std::string bundle = m_folder / ("Apps/" + std::to_string(pid) + ".app");
        m_folder.write("Apps/" + std::to_string(pid) + ".app/Contents/Info.plist",
                       plistWith(identifier.empty() ? "" : stringEntry("CFBundleIdentifier", identifier)));
        ProcessEntry entry;
        entry.pid = pid;
        entry.executablePath = bundle + "/Contents/MacOS/App";
        return NSRunningApplication::from(entry);
    }

    TemporaryFolder m_folder{"install"};
    SharedData m_settings;
    std::vector<std::shared_ptr<NSRunningApplication>> m_running;
    std::vector<std::string> m_launches;
    std::function<void()> m_onLaunch;
    HelperApp m_helper;
};

}  // namespace

TEST_F(LoginItem, EnablingWritesTheTemplateOrTheInstalledListWithOnlyProgramReplaced)
{
    m_helper.setLoginItemEnabled(true);
    EXPECT_EQ(PropertyList::dictionary(installed()), (PropertyListValue::Dictionary{{"Program", executable()}}))
        << "without a template";
    EXPECT_TRUE(m_settings.loginItemIsEnabled());

    std::filesystem::remove(installed());
    std::filesystem::copy_file(kTemplate, m_folder / "Resources/Auto.top.kestrova.macOS.Parvex.Helper.plist");
    m_helper.setLoginItemEnabled(true);
    auto expected = PropertyList::dictionary(kTemplate);
    ASSERT_EQ(expected["Label"], PropertyListValue("top.kestrova.macOS.Parvex.Helper"));
    ASSERT_EQ(expected["RunAtLoad"], PropertyListValue(true));
    expected["Program"] = executable();
    EXPECT_EQ(PropertyList::dictionary(installed()), expected);

    // An installed file keeps its own keys over the template's.
    m_folder.write("LaunchAgents/Auto.top.kestrova.macOS.Parvex.Helper.plist",
                   plistWith(stringEntry("Label", "mine") + stringEntry("Program", "/old/path") + "<key>Nice</key><integer>3</integer>"));
    m_helper.setLoginItemEnabled(true);
    EXPECT_EQ(PropertyList::dictionary(installed()),
              (PropertyListValue::Dictionary{{"Label", "mine"}, {"Program", executable()}, {"Nice", 3}}));
}

TEST_F(LoginItem, DisablingRemovesTheFileAndAnUnwritableSystemFolderSendsItToTheUsersOwn)
{
    m_settings.setLoginItemIsEnabled(true);
    m_helper.setLoginItemEnabled(false);
    EXPECT_FALSE(m_settings.loginItemIsEnabled());
    m_helper.setLoginItemEnabled(true);
    ASSERT_TRUE(FileManager::fileExists(installed()));
    m_helper.setLoginItemEnabled(false);
    EXPECT_TRUE(FileManager::isEmptyFolder(m_folder / "LaunchAgents"));

    HelperApp::Context elsewhere = context();
    elsewhere.launchAgentsPath = m_folder / "missing/LaunchAgents/";
    elsewhere.userLaunchAgentsPath = m_folder / "home/Library/LaunchAgents/";
    const std::string mine = m_folder / "home/Library/LaunchAgents/Auto.top.kestrova.macOS.Parvex.Helper.plist";
    HelperApp(elsewhere).setLoginItemEnabled(true);
    EXPECT_TRUE(m_settings.loginItemIsEnabled());
    EXPECT_FALSE(FileManager::fileExists(m_folder / "missing"));
    EXPECT_EQ(PropertyList::dictionary(mine), (PropertyListValue::Dictionary{{"Program", executable()}}));
    HelperApp(elsewhere).setLoginItemEnabled(false);
    EXPECT_FALSE(FileManager::fileExists(mine));
}

TEST_F(LoginItem, LaunchesGoToTheMenuAppInsideTheBundleAndRelaunchTriesTwiceAtMost)
{
    std::string menuApp = m_folder / "Parvex.app/Contents/Library/LoginItems/ParvexMenu.app";
    m_helper.launchIfNotRunning();
    EXPECT_THAT(m_launches, ::testing::ElementsAre(menuApp));

    // Not found after the first launch: launched a second time, no more.
    m_launches.clear();
    m_helper.relaunch();
    EXPECT_THAT(m_launches, ::testing::ElementsAre(menuApp, menuApp));

    m_launches.clear();
    m_onLaunch = [this] { m_running = {application(200, "top.kestrova.macOS.Parvex.Helper")}; };
    m_helper.relaunch();
    EXPECT_EQ(m_launches.size(), 1u);

    // The last application in the list with exactly the menu app's identifier runs.
    m_running = {application(101, "top.kestrova.macOS.Parvex.Helper"), application(102, "top.kestrova.macOS.Parvex"),
                 application(103, "top.kestrova.macOS.Parvex.Helper"), application(104, ""),
                 application(105, "top.kestrova.macOS.Parvex.Helper.Other")};
    ASSERT_TRUE(m_helper.runningApplication());
    EXPECT_EQ(m_helper.runningApplication()->processIdentifier(), 103);
    m_launches.clear();
    m_helper.launchIfNotRunning();
    EXPECT_TRUE(m_launches.empty());
}

TEST_F(LoginItem, RelaunchLaunchesWhenTheOldInstanceHasQuitAndNeverWaitsForIt)
{
    // The old instance takes its time to quit (it unmounts its volumes
    // through sudo): this one ignores the request until the test ends it.
    std::string bundle = makeBundle(m_folder, "ParvexMenu", std::string(HelperApp::bundleIdentifier), "ParvexMenu");
    installSleep(bundle, "ParvexMenu");
    const std::string executable = bundle + "/Contents/MacOS/ParvexMenu";
    auto startOld = [&] {
        pid_t pid = ::fork();
        if (pid == 0) {
            ::signal(SIGTERM, SIG_IGN);
            ::execl(executable.c_str(), "ParvexMenu", "600", nullptr);
            ::_exit(127);
        }
        // Running once /proc shows the bundle's program.
        while (!NSRunningApplication::withProcessIdentifier(pid)
               || !NSRunningApplication::withProcessIdentifier(pid)->bundleIdentifier())
            ::usleep(1000);
        return pid;
    };
    pid_t old = 0;
    HelperApp::Context live = context();
    live.runningApplications = [&] {
        auto application = NSRunningApplication::withProcessIdentifier(old);
        return application ? std::vector{application} : std::vector<std::shared_ptr<NSRunningApplication>>{};
    };
    TestLog log;
    const std::string menuApp = m_folder / "Parvex.app/Contents/Library/LoginItems/ParvexMenu.app";

    old = startOld();
    HelperApp helper(live);
    helper.relaunch();
    EXPECT_THAT(m_launches, ::testing::IsEmpty()) << "launched while the old instance still ran";
    ::kill(old, SIGKILL);
    EXPECT_TRUE(RunLoop::main().runUntil([&] { return !m_launches.empty(); }, 30));
    ::waitpid(old, nullptr, 0);
    EXPECT_THAT(m_launches, ::testing::Each(menuApp));

    // The settings app quits (its window closed) while the old one still
    // unmounts: the launch happens before it exits, not never.
    m_launches.clear();
    old = startOld();
    HelperApp quitting(live);
    quitting.relaunch();
    std::thread oldQuits([old] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        ::kill(old, SIGKILL);
    });
    quitting.finishRelaunch();
    oldQuits.join();
    ::waitpid(old, nullptr, 0);
    EXPECT_FALSE(m_launches.empty());
    EXPECT_THAT(m_launches, ::testing::Each(menuApp));

    // One that never quits is given up on, and the log says so.
    m_launches.clear();
    old = startOld();
    live.terminationWait = std::chrono::seconds(1);
    HelperApp impatient(live);
    impatient.relaunch();
    EXPECT_TRUE(RunLoop::main().runUntil([&] { return log.text().find("no new one is started") != std::string::npos; }, 30));
    ::kill(old, SIGKILL);
    ::waitpid(old, nullptr, 0);
    RunLoop::main().runUntilIdle();
    EXPECT_THAT(m_launches, ::testing::IsEmpty());
    EXPECT_THAT(log.text(), ::testing::HasSubstr("ParvexMenu (process " + std::to_string(old) + ") still runs 1 s after"));
}
