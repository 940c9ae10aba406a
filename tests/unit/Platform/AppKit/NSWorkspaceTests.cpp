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
#include "support/Bundles.h"

extern char** environ;

namespace {

// One per test process: tests running side by side must not see each other's instances.
const std::string& identifier()
{
    static const std::string id = "top.example.Sleeper" + std::to_string(::getpid());
    return id;
}

bool tryWrite(const std::string& path, const std::string& text)
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
        m_bundle = makeBundle(m_folder, "Sleeper", identifier(), "sleeper");
        installSleep(m_bundle, "sleeper");
    }

    void TearDown() override
    {
        for (const auto& application : ours())
            ::kill(application->processIdentifier(), SIGKILL);
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

    std::shared_ptr<NSRunningApplication> launch(const std::string& path)
    {
        auto launched = NSWorkspace::shared().launchApplication(path, {"60"});
        EXPECT_TRUE(launched) << launched.error().description;
        return launched ? *launched : nullptr;
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

    TemporaryFolder m_folder{"appkit"};
    std::string m_bundle;
    std::vector<pid_t> m_children;
};

}  // namespace

TEST_F(NSWorkspaceTest, LaunchedApplicationIsFoundAndNotStartedTwice)
{
    auto first = launch(m_bundle);
    ASSERT_NE(first, nullptr);
    // Started in a session of its own, away from this process.
    EXPECT_EQ(::getsid(first->processIdentifier()), first->processIdentifier());
    auto found = ours();
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0]->processIdentifier(), first->processIdentifier());
    EXPECT_EQ(found[0]->bundleIdentifier(), identifier());
    for (auto& application : NSWorkspace::shared().runningApplications())
        EXPECT_NE(application->processIdentifier(), ::getpid()) << "a test program is no application";

    // Another copy of the same application (same identifier) counts as running too.
    std::string copy = makeBundle(m_folder, "SleeperCopy", identifier(), "sleeper");
    installSleep(copy, "sleeper");
    for (const auto& path : {m_bundle, copy}) {
        auto again = launch(path);
        ASSERT_NE(again, nullptr);
        EXPECT_EQ(again->processIdentifier(), first->processIdentifier()) << path;
    }
    EXPECT_EQ(ours().size(), 1u);

    // An update replaces the bundle's files under the running program: still it.
    std::string executable = m_bundle + "/Contents/MacOS/sleeper";
    ASSERT_EQ(::unlink(executable.c_str()), 0);
    found = ours();
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0]->processIdentifier(), first->processIdentifier());
    EXPECT_EQ(found[0]->bundleIdentifier(), identifier());
}

TEST_F(NSWorkspaceTest, InstancesComeInLaunchOrder)
{
    auto first = launch(m_bundle);
    ASSERT_NE(first, nullptr);
    // Start times count in clock ticks; let one pass.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    // Where the machine lets us, the later instance gets the smaller pid, so
    // the order cannot come from the pids.
    bool lowerPid = first->processIdentifier() > 1000
        && tryWrite("/proc/sys/kernel/ns_last_pid", std::to_string(first->processIdentifier() - 500));
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
    auto launched = launch(m_bundle);
    ASSERT_NE(launched, nullptr);
    EXPECT_TRUE(launched->terminate());
    EXPECT_TRUE(waitUntilTerminated(*launched));
    EXPECT_TRUE(ours().empty());
    // Nothing left to ask, and no stranger with a reused pid is signalled.
    EXPECT_FALSE(launched->terminate());

    auto relaunched = launch(m_bundle);
    ASSERT_NE(relaunched, nullptr);
    EXPECT_NE(relaunched->processIdentifier(), launched->processIdentifier());
}

TEST_F(NSWorkspaceTest, LaunchFailsWithoutABundleExecutable)
{
    EXPECT_FALSE(NSWorkspace::shared().launchApplication(m_folder.path() + "/Nothing.app"));
    EXPECT_FALSE(NSWorkspace::shared().launchApplication(makeBundle(m_folder, "Empty", "top.example.Empty", "empty")));
    std::string plain = makeBundle(m_folder, "Plain", "top.example.Plain", "plain");
    writeFile(plain + "/Contents/MacOS/plain", "data", 0644);
    EXPECT_FALSE(NSWorkspace::shared().launchApplication(plain));
}
