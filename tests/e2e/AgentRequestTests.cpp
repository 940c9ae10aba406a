#include <sys/stat.h>

#include <gmock/gmock.h>

#include "support/AgentFixture.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

namespace {

std::string entry(const std::string& name)
{
    return "LABEL=" + name + " none ntfs rw,auto,nobrowse";
}

struct stat statOf(const char* path)
{
    struct stat info {};
    ::stat(path, &info);
    return info;
}

}  // namespace

class AgentRequests : public AgentFixture {};

TEST_F(AgentRequests, StartsWithOneLogEntryAndLeavesFstabAlone)
{
    ::unlink(fstab);
    startAgent();
    std::string log = readFile(agentLog);
    EXPECT_THAT(log, ::testing::MatchesRegex(
        "[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}\\.[0-9]{3} in main\\.cpp run\\(\\) \\[Line [0-9]+\\]:\nRunning\\.\\.\\.\n"));
    EXPECT_FALSE(statOf(fstab).st_nlink) << "start-up alone must not create /etc/fstab";
}

TEST_F(AgentRequests, AddRemoveAndClearEditTheFileAndAnswerAsSpecified)
{
    ::unlink(fstab);
    startAgent();
    AnswerCollector::request(std::string("add,Data"));
    EXPECT_THAT(m_answers.drain(), ElementsAre("add,Data"));
    EXPECT_EQ(readFile(fstab), entry("Data"));
    EXPECT_EQ(readFile(fstab).size(), 37u);
    EXPECT_EQ(statOf(fstab).st_mode & 07777, 0644u);

    AnswerCollector::request(std::string("add,Data"));
    AnswerCollector::request(std::string("add,Other"));
    AnswerCollector::request(std::string("remove,Data"));
    EXPECT_THAT(m_answers.drain(), ElementsAre("add,Data", "add,Other", "remove,Data"));
    EXPECT_EQ(readFile(fstab), entry("Data") + "\n" + entry("Other"));

    AnswerCollector::request(std::string("clear,all"));
    EXPECT_THAT(m_answers.drain(), IsEmpty()) << "clear is never answered";
    EXPECT_EQ(readFile(fstab), "");
    EXPECT_TRUE(statOf(fstab).st_nlink) << "a clear leaves the file present";
}

TEST_F(AgentRequests, MalformedRequestsAreIgnoredOrRejectedWithoutAnswers)
{
    writeFstab("# the user's own table\nUUID=1234 /data ext4 defaults 0 2\n", 0640);
    startAgent();
    const std::string before = readFile(fstab);

    AnswerCollector::request(std::string("clear"));
    AnswerCollector::request(std::string("add,Da,ta"));
    AnswerCollector::request(std::string("remove,a,b"));
    AnswerCollector::request(std::nullopt);
    AnswerCollector::request(NotificationObject(std::int64_t{42}));
    EXPECT_THAT(m_answers.drain(), IsEmpty());
    EXPECT_EQ(readFile(fstab), before);

    std::string log = readFile(agentLog);
    size_t first = log.find("错误的指令");
    ASSERT_NE(first, std::string::npos);
    EXPECT_NE(log.find("错误的指令", first + 1), std::string::npos) << "both the missing and the non-text object are logged";
}

TEST_F(AgentRequests, OtherCommandsAndEmptyArgumentsAreAnswered)
{
    writeFstab("UUID=1234 /data ext4 defaults 0 2", 0640);
    startAgent();
    AnswerCollector::request(std::string("Add,Data"));
    AnswerCollector::request(std::string("remove,Missing"));
    AnswerCollector::request(std::string("add,"));
    EXPECT_THAT(m_answers.drain(), ElementsAre("Add,Data", "remove,Missing", "add,"));
    EXPECT_EQ(readFile(fstab), "UUID=1234 /data ext4 defaults 0 2\n" + entry(""));
    EXPECT_EQ(statOf(fstab).st_mode & 07777, 0640u) << "the file keeps its mode";

    AnswerCollector::request(std::string("clear,all"));
    m_answers.drain();
    EXPECT_EQ(readFile(fstab), "UUID=1234 /data ext4 defaults 0 2") << "a clear keeps the user's own lines";
}

TEST_F(AgentRequests, NamesWithControlCharactersNeverReachTheFile)
{
    ::unlink(fstab);
    startAgent();
    const std::string hostile = "x none ntfs rw\n/dev/sda1 / ext4 defaults";
    AnswerCollector::request("add," + hostile);
    AnswerCollector::request(std::string("add,Tab\tName"));
    EXPECT_THAT(m_answers.drain(), ElementsAre("add," + hostile, "add,Tab\tName"));
    EXPECT_FALSE(statOf(fstab).st_nlink) << "nothing was written";
    EXPECT_THAT(readFile(agentLog), HasSubstr("add(_:)"));
}

TEST_F(AgentRequests, OnlyRootAndAdministratorsAreHeard)
{
    ::unlink(fstab);
    startAgent();
    int status = runCommand({"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", POST_NOTIFICATION,
                             "top.kestrova.macOS.Parvex.Helper.do", "add,Evil"});
    ASSERT_EQ(status, 0);
    EXPECT_THAT(m_answers.drain(), IsEmpty());
    EXPECT_FALSE(statOf(fstab).st_nlink);
    EXPECT_THAT(readFile(agentLog), HasSubstr("Ignored a request from user id 65534"));

    // Root's own requests through the same path still work.
    ASSERT_EQ(runCommand({POST_NOTIFICATION, "top.kestrova.macOS.Parvex.Helper.do", "add,Data"}), 0);
    EXPECT_THAT(m_answers.drain(), ElementsAre("add,Data"));
    EXPECT_EQ(readFile(fstab), entry("Data"));
}
