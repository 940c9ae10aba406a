#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <thread>

#include "Platform/AppKit/NSRunningApplication.h"
#include "Platform/AppKit/NSWorkspace.h"
#include "TempBundle.h"

extern char** environ;

namespace {

// One per test process: tests running side by side must not see each other's instances.
const std::string& identifier()
{
    static const std::string id = "top.example.Sleeper" + std::to_string(::getpid());
    return id;
}

bool writeFile(const std::string& path, const std::string& text)
{
    std::ofstream file(path);
    file << text;
    file.close();
    return !file.fail();
}

class NSWorkspaceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_bundle = m_folder.makeBundle("Sleeper", identifier(), "sleeper");
        TempFolder::installSleep(m_bundle, "sleeper");
    }

    void TearDown() override
    {
        for (const auto& application : ours())
            application->forceTerminate();
        for (pid_t child : m_children) {
            ::kill(child, SIGKILL);
            ::waitpid(child, nullptr, 0);
        }
    }

    // The running applications of this test's bundle, in the workspace's order.
    std::vector<std::shared_ptr<NSRunningApplication>> ours() const
    {
        std::vector<std::shared_ptr<NSRunningApplication>> found;
        for (auto& application : NSWorkspace::shared().runningApplications()) {
            if (application->bundleURL() == m_bundle)
                found.push_back(application);
        }
        return found;
    }

    // A second instance started behind the workspace's back, as a user could.
    pid_t startDirectly()
    {
        std::string executable = m_bundle + "/Contents/MacOS/sleeper";
        char* argv[] = {executable.data(), const_cast<char*>("60"), nullptr};
        pid_t pid = 0;
        EXPECT_EQ(::posix_spawn(&pid, executable.c_str(), nullptr, nullptr, argv, environ), 0);
        m_children.push_back(pid);
        return pid;
    }

    static bool waitUntilTerminated(const NSRunningApplication& application)
    {
        for (int tries = 0; tries < 500 && !application.isTerminated(); ++tries)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return application.isTerminated();
    }

    TempFolder m_folder;
    std::string m_bundle;
    std::vector<pid_t> m_children;
};

}  // namespace

TEST_F(NSWorkspaceTest, LaunchedApplicationIsFoundAndNotStartedTwice)
{
    auto first = NSWorkspace::shared().launchApplication(m_bundle, {"60"});
    ASSERT_NE(first, nullptr);
    // Started in a session of its own, away from this process.
    EXPECT_EQ(::getsid(first->processIdentifier()), first->processIdentifier());
    auto found = ours();
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0]->processIdentifier(), first->processIdentifier());
    EXPECT_EQ(found[0]->bundleIdentifier(), identifier());
    EXPECT_EQ(found[0]->localizedName(), "Sleeper");
    for (auto& application : NSWorkspace::shared().runningApplications())
        EXPECT_NE(application->processIdentifier(), ::getpid()) << "a test program is no application";

    // Another copy of the same application (same identifier) counts as running too.
    std::string copy = m_folder.makeBundle("SleeperCopy", identifier(), "sleeper");
    TempFolder::installSleep(copy, "sleeper");
    for (const auto& path : {m_bundle, copy}) {
        auto again = NSWorkspace::shared().launchApplication(path, {"60"});
        ASSERT_NE(again, nullptr);
        EXPECT_EQ(again->processIdentifier(), first->processIdentifier()) << path;
    }
    EXPECT_EQ(ours().size(), 1u);

    // An update replaces the bundle's files under the running program: still it.
    std::string executable = m_bundle + "/Contents/MacOS/sleeper";
    ASSERT_EQ(::unlink(executable.c_str()), 0);
    found = ours();
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0]->executableURL(), executable);
    EXPECT_EQ(found[0]->bundleIdentifier(), identifier());
}

TEST_F(NSWorkspaceTest, InstancesComeInLaunchOrder)
{
    auto first = NSWorkspace::shared().launchApplication(m_bundle, {"60"});
    ASSERT_NE(first, nullptr);
    // Start times count in clock ticks; let one pass.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    // Where the machine lets us, the later instance gets the smaller pid, so
    // the order cannot come from the pids.
    bool lowerPid = first->processIdentifier() > 1000
        && writeFile("/proc/sys/kernel/ns_last_pid", std::to_string(first->processIdentifier() - 500));
    pid_t second = startDirectly();
    if (lowerPid) {
        EXPECT_LT(second, first->processIdentifier());
    }

    auto found = ours();
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0]->processIdentifier(), first->processIdentifier());
    EXPECT_EQ(found[1]->processIdentifier(), second);
}

TEST_F(NSWorkspaceTest, TerminateEndsTheProcessAndALaunchAfterStartsANewOne)
{
    auto launched = NSWorkspace::shared().launchApplication(m_bundle, {"60"});
    ASSERT_NE(launched, nullptr);
    EXPECT_TRUE(launched->terminate());
    EXPECT_TRUE(waitUntilTerminated(*launched));
    EXPECT_TRUE(ours().empty());
    // Nothing left to ask, and no stranger with a reused pid is signalled.
    EXPECT_FALSE(launched->terminate());
    auto again = NSRunningApplication::withProcessIdentifier(launched->processIdentifier());
    EXPECT_TRUE(again == nullptr || again->launchDate() != launched->launchDate());

    auto relaunched = NSWorkspace::shared().launchApplication(m_bundle, {"60"});
    ASSERT_NE(relaunched, nullptr);
    EXPECT_NE(relaunched->processIdentifier(), launched->processIdentifier());
}

TEST_F(NSWorkspaceTest, LaunchFailsWithoutABundleExecutable)
{
    EXPECT_EQ(NSWorkspace::shared().launchApplication(m_folder.path() + "/Nothing.app"), nullptr);
    EXPECT_EQ(NSWorkspace::shared().launchApplication(m_folder.makeBundle("Empty", "top.example.Empty", "empty")), nullptr);
    std::string plain = m_folder.makeBundle("Plain", "top.example.Plain", "plain");
    FileManager::writeAtomically(plain + "/Contents/MacOS/plain", "data", 0644);
    EXPECT_EQ(NSWorkspace::shared().launchApplication(plain), nullptr);
}
