#include <gmock/gmock.h>

#include "support/AgentFixture.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

namespace {

mode_t modeOf(const char* path)
{
    struct stat info {};
    return ::stat(path, &info) == 0 ? info.st_mode & 07777 : 0;
}

}  // namespace

class AgentRequests : public AgentFixture {
protected:
    std::vector<std::string> send(const std::vector<std::string>& requests)
    {
        for (const auto& request : requests)
            AnswerCollector::request(request);
        return m_answers.drain();
    }
};

TEST_F(AgentRequests, StartsWithOneLogEntryThenAddRemoveAndClearEditTheFile)
{
    ::unlink(fstab);
    start();
    EXPECT_THAT(readFile(kAgentLog), ::testing::MatchesRegex(
        "[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}\\.[0-9]{3} in main\\.cpp run\\(\\) \\[Line [0-9]+\\]:\nRunning\\.\\.\\.\n"));
    EXPECT_FALSE(FileManager::fileExists(fstab)) << "start-up alone must not create /etc/fstab";

    EXPECT_THAT(send({"add,Data"}), ElementsAre("add,Data"));
    EXPECT_EQ(readFile(fstab), entry("Data") + "\n");
    EXPECT_EQ(modeOf(fstab), 0644u);
    EXPECT_THAT(send({"add,Data", "add,Other", "remove,Data"}), ElementsAre("add,Data", "add,Other", "remove,Data"));
    EXPECT_EQ(readFile(fstab), entry("Data") + "\n" + entry("Other") + "\n");
    EXPECT_THAT(send({"clear,all"}), IsEmpty()) << "clear is never answered";
    EXPECT_TRUE(FileManager::fileExists(fstab)) << "a clear leaves the file present";
    EXPECT_EQ(readFile(fstab), "");
}

TEST_F(AgentRequests, MalformedRequestsAreRejectedUnansweredOthersAnswered)
{
    const std::string own = "# the user's own table\nUUID=1234 /data ext4 defaults 0 2\n";
    writeFstab(own, 0640);
    start();
    AnswerCollector::request(std::nullopt);
    AnswerCollector::request(PropertyListValue(std::int64_t{42}));
    EXPECT_THAT(send({"clear", "add,Da,ta", "remove,a,b"}), IsEmpty());
    EXPECT_EQ(readFile(fstab), own);
    const std::string log = readFile(kAgentLog);
    ASSERT_NE(log.find("错误的指令"), log.rfind("错误的指令")) << "both the missing and the non-text object are logged";

    EXPECT_THAT(send({"Add,Data", "remove,Missing", "add,"}), ElementsAre("Add,Data", "remove,Missing", "add,"));
    EXPECT_EQ(readFile(fstab), own + entry("") + "\n");
    EXPECT_EQ(modeOf(fstab), 0640u) << "the file keeps its mode";
}

TEST_F(AgentRequests, OnlyRootAndAdministratorsAreHeard)
{
    ::unlink(fstab);
    start();
    ASSERT_EQ(runCommand({"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", POST_NOTIFICATION,
                          "top.kestrova.macOS.Parvex.Helper.do", "add,Evil"}), 0);
    EXPECT_THAT(m_answers.drain(), IsEmpty());
    EXPECT_FALSE(FileManager::fileExists(fstab));
    EXPECT_THAT(readFile(kAgentLog), HasSubstr("Ignored a request from user id 65534"));

    // Root's own requests through the same path still work.
    ASSERT_EQ(runCommand({POST_NOTIFICATION, "top.kestrova.macOS.Parvex.Helper.do", "add,Data"}), 0);
    EXPECT_THAT(m_answers.drain(), ElementsAre("add,Data"));
    EXPECT_EQ(readFile(fstab), entry("Data") + "\n");
}
