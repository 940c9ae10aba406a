#include <signal.h>

#include <gmock/gmock.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <thread>

#include "Platform/Foundation/Text.h"
#include "support/AgentFixture.h"

namespace {

// The first `count` lines as the agent writes a table: each ends with a line feed.
std::string join(const std::vector<std::string>& lines, size_t count)
{
    std::string text;
    for (size_t i = 0; i < count; ++i)
        text += lines[i] + "\n";
    return text;
}

}  // namespace

class AgentRobustness : public AgentFixture {};

TEST_F(AgentRobustness, BurstWithMalformedRequestsMatchesAModel)
{
    ::unlink(fstab);
    start();
    std::mt19937 random(20261206);
    std::vector<std::string> model;
    std::vector<std::string> expectedAnswers;
    const char* names[] = {"Data", "Backup", "Media", "Photos", "Work", "Games"};
    for (int i = 0; i < 10000; ++i) {
        unsigned pick = random() % 100;
        std::string name = names[random() % 6];
        if (pick < 25) {
            switch (pick % 4) {
            case 0: AnswerCollector::request(std::string("add") + name); break;
            case 1: AnswerCollector::request("add," + name + ",x"); break;
            case 2: AnswerCollector::request(PropertyListValue(std::int64_t{i})); break;
            default: AnswerCollector::request(std::nullopt); break;
            }
            continue;
        }
        std::string request;
        if (pick < 65) {
            request = "add," + name;
            model.push_back(entry(name));
        } else if (pick < 95) {
            request = "remove," + name;
            if (auto found = std::find(model.begin(), model.end(), entry(name)); found != model.end())
                model.erase(found);
        } else {
            request = "noop," + name;
        }
        AnswerCollector::request(request);
        expectedAnswers.push_back(request);
    }
    std::vector<std::string> answers = m_answers.drain(120);
    EXPECT_TRUE(m_agent->isRunning());
    EXPECT_TRUE(answers == expectedAnswers) << "every well-formed request is answered once, in order: "
                                            << answers.size() << " of " << expectedAnswers.size();
    EXPECT_EQ(readFile(fstab), join(model, model.size()));
}

TEST_F(AgentRobustness, KilledMidWriteLeavesOldOrNewFileNeverAPart)
{
    writeFstab("# kept\n", 0644);
    std::vector<std::string> lines{"# kept"};
    for (int i = 0; i < 100; ++i)
        lines.push_back(entry("Volume" + std::to_string(i) + std::string(200, 'x')));
    std::mt19937 random(7);
    size_t written = 1;  // lines of the table on disk
    int kills = 0;
    for (int round = 0; round < 200 && written < lines.size(); ++round) {
        start();
        size_t batch = std::min<size_t>(12, lines.size() - written);
        for (size_t i = 0; i < batch; ++i)
            AnswerCollector::request("add," + lines[written + i].substr(6, lines[written + i].size() - 6 - 27));
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 8000));
        m_agent.reset();  // SIGKILL
        ++kills;
        std::string disk = readFile(fstab);
        size_t found = 0;
        for (size_t k = written; k <= written + batch; ++k) {
            if (disk == join(lines, k))
                found = k;
        }
        ASSERT_NE(found, 0u) << "after kill " << kills << " the table is neither the old nor a new version:\n" << disk;
        written = found;
    }
    EXPECT_EQ(written, lines.size());
    std::printf("agent killed %d times during %zu writes\n", kills, lines.size() - 1);
}

TEST_F(AgentRobustness, ARootRequestFromAShortLivedSenderIsHandledAfterAFloodFromNobody)
{
    ::unlink(fstab);
    start();
    // 10,000 requests and one of 4 MB from nobody, ahead of root's...
    const std::vector<std::string> nobody{"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups",
                                          POST_NOTIFICATION, "top.kestrova.macOS.Parvex.Helper.do", "add,Evil"};
    auto flood = nobody;
    flood.insert(flood.end(), {"--times", "10000"});
    ASSERT_EQ(runCommand(flood), 0);
    auto large = nobody;
    large.insert(large.end(), {"--padded", std::to_string(4 << 20)});
    ASSERT_EQ(runCommand(large), 0);
    // ...which comes from a process that is gone a moment after it sent it.
    ASSERT_EQ(runCommand({POST_NOTIFICATION, "top.kestrova.macOS.Parvex.Helper.do", "add,Data"}), 0);
    EXPECT_TRUE(m_answers.waitFor(1, 30));
    EXPECT_EQ(m_answers.answers(), std::vector<std::string>{"add,Data"});
    EXPECT_EQ(Text::split(readFile(fstab), '\n'), std::vector<std::string>{entry("Data")});
    EXPECT_TRUE(m_agent->isRunning());
}
