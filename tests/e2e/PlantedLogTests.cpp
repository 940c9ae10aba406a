// Log files in folders others can write to: what another user leaves at the
// log path is replaced, never written through, and never blocks a program.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gmock/gmock.h>

#include <filesystem>
#include <functional>

#include "support/AgentFixture.h"
#include "support/TemporaryFolder.h"

namespace fs = std::filesystem;

namespace {

const std::vector<std::string> asNobody{"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};

std::vector<std::string> nobody(std::vector<std::string> command)
{
    command.insert(command.begin(), asNobody.begin(), asNobody.end());
    return command;
}

void ownedByNobody(const std::string& path)
{
    ASSERT_EQ(::lchown(path.c_str(), 65534, 65534), 0) << path;
}

}  // namespace

class PlantedLog : public AgentFixture {
protected:
    const std::string victim = "/etc/parvex-victim";
    void SetUp() override
    {
        AgentFixture::SetUp();
        writeFile(victim, "root only\n", 0600);
    }
    void TearDown() override
    {
        fs::remove(victim);
        AgentFixture::TearDown();
    }
};

TEST_F(PlantedLog, TheAgentReplacesWhatNobodyPlantedAtItsLogAndKeepsItsOwn)
{
    const std::vector<std::pair<std::string, std::function<void()>>> plants{
        {"a link to a root-only file", [&] { fs::create_symlink(victim, kAgentLog); }},
        {"a file of nobody's", [&] { writeFile(kAgentLog, "planted\n", 0666); }},
        {"a FIFO of nobody's", [&] { ASSERT_EQ(::mkfifo(kAgentLog, 0666), 0); }},
    };
    for (const auto& [what, plant] : plants) {
        fs::remove(kAgentLog);
        plant();
        ownedByNobody(kAgentLog);
        ASSERT_TRUE(m_agent = startAgent(true)) << what;
        AnswerCollector::request(std::string("add,a b"));  // refused, and logged
        m_answers.drain();
        // Once the agent has its log, nobody can swap it for a link any more.
        EXPECT_NE(runCommand(nobody({"/bin/ln", "-sfn", victim, kAgentLog})), 0) << what;
        struct stat info {};
        ASSERT_EQ(::lstat(kAgentLog, &info), 0);
        EXPECT_TRUE(S_ISREG(info.st_mode) && info.st_uid == 0 && (info.st_mode & 0022) == 0) << what;
        EXPECT_THAT(readFile(kAgentLog), ::testing::HasSubstr("\"a b\"")) << what;
        EXPECT_EQ(readFile(victim), "root only\n") << what;
        EXPECT_NE(m_agent->quit(10), -1) << what << ": the agent quits on SIGTERM";
    }
}

TEST_F(PlantedLog, AMenuAppThatCannotReplaceAFifoAtItsLogStillQuits)
{
    // Run as nobody, with root's FIFO at its log path in a folder everyone may
    // write to: the app cannot replace it, so it logs to standard output.
    ASSERT_EQ(::chmod("/Users/tamsel", 01777), 0);
    fs::remove(kMenuLog);
    ASSERT_EQ(::mkfifo(kMenuLog, 0666), 0);
    const std::string output = "/tmp/ParvexMenu.nobody.output";
    ChildProcess menu(nobody({kMenuAppPath}), output);
    ASSERT_TRUE(waitForFileContaining(output, "clear()", 30)) << readFile(output);
    // A forged answer makes it log.
    ASSERT_EQ(runCommand(nobody({POST_NOTIFICATION, "top.kestrova.macOS.Parvex.Helper.do.Finsh", "add,Data"})), 0);
    EXPECT_TRUE(waitForFileContaining(output, "Ignored an answer from user id 65534", 30)) << readFile(output);
    EXPECT_NE(menu.quit(10), -1) << "it quits on SIGTERM";
    EXPECT_TRUE(fs::is_fifo(kMenuLog));
    fs::remove(kMenuLog);
    ::chmod("/Users/tamsel", 0755);
}
