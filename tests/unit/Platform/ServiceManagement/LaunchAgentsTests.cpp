#include <gmock/gmock.h>
#include <signal.h>
#include <sys/stat.h>

#include <filesystem>

#include "Platform/ServiceManagement/ExecutableProcesses.h"
#include "Platform/ServiceManagement/LaunchAgentsLauncher.h"
#include "support/Bundles.h"

using Command = LaunchAgentsLauncher::Command;
using Dictionary = PropertyListValue::Dictionary;

TEST(LaunchAgents, ListsThatRunAtLoadGiveTheirProgramAndArguments)
{
    EXPECT_EQ(LaunchAgentsLauncher::commandAtLoad({{"Program", "/a/b"}, {"RunAtLoad", true}}), (Command{"/a/b", {"/a/b"}}));
    EXPECT_EQ(LaunchAgentsLauncher::commandAtLoad({{"ProgramArguments", PropertyListValue::Array{"/bin/x", "-y"}}, {"KeepAlive", true}}),
              (Command{"/bin/x", {"/bin/x", "-y"}}));
    EXPECT_EQ(LaunchAgentsLauncher::commandAtLoad({{"Program", "/bin/x"}, {"ProgramArguments", PropertyListValue::Array{"name", "1"}},
                                                   {"RunAtLoad", true}, {"LimitLoadToSessionType", PropertyListValue::Array{"Aqua", "Background"}}}),
              (Command{"/bin/x", {"name", "1"}}));

    const Dictionary nothing[] = {
        {{"Program", "/a/b"}},
        {{"Program", "/a/b"}, {"RunAtLoad", true}, {"Disabled", true}},
        {{"Program", "/a/b"}, {"RunAtLoad", true}, {"LimitLoadToSessionType", "LoginWindow"}},
        {{"Program", "relative"}, {"RunAtLoad", true}},
        {{"RunAtLoad", true}},
        {{"ProgramArguments", PropertyListValue::Array{"/bin/x", 3}}, {"RunAtLoad", true}},
    };
    for (const auto& job : nothing)
        EXPECT_EQ(LaunchAgentsLauncher::commandAtLoad(job), std::nullopt);
}

TEST(LaunchAgents, StartsEachTrustedAgentOnceForThisUser)
{
    TemporaryFolder folder{"install"};
    std::string program = folder / "bin/agent-sleep";
    std::filesystem::create_directories(folder / "bin");
    std::filesystem::copy_file("/bin/sleep", program);
    ::chmod(program.c_str(), 0755);
    std::string agents = folder / "LaunchAgents";
    std::string job = plistWith(stringEntry("Program", program)
                                + "<key>ProgramArguments</key><array><string>sleep</string><string>30</string></array>"
                                + "<key>RunAtLoad</key><true/>");
    folder.write("LaunchAgents/good.plist", job);
    // Lists anybody else could have written, or that are no lists, start nothing.
    folder.write("LaunchAgents/shared.plist", job, 0666);
    folder.write("LaunchAgents/notes.txt", job);
    folder.write("LaunchAgents/broken.plist", "<plist>");

    LaunchAgentsLauncher launcher(agents, ::getuid());
    auto launches = launcher.launchAll();
    ASSERT_EQ(launches.size(), 1u);
    EXPECT_EQ(launches[0].listPath, agents + "/good.plist");
    ASSERT_TRUE(launches[0].pid) << launches[0].error;
    auto running = ExecutableProcesses::find(program);
    ASSERT_EQ(running.size(), 1u);
    EXPECT_EQ(running[0].pid, *launches[0].pid);

    auto again = launcher.launchAll();
    ASSERT_EQ(again.size(), 1u);
    EXPECT_TRUE(again[0].alreadyRunning);
    EXPECT_EQ(ExecutableProcesses::find(program).size(), 1u);

    EXPECT_EQ(ExecutableProcesses::stop(program), 1u);
    EXPECT_TRUE(ExecutableProcesses::find(program).empty());
}
