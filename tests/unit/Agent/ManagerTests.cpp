#include <gtest/gtest.h>

#include "Agent/Manager.h"
#include "Platform/Foundation/FileManager.h"
#include "Platform/Foundation/RunLoop.h"
#include "support/InProcessNotificationBus.h"
#include "support/TemporaryFolder.h"
#include "support/TestLog.h"

namespace {

class ManagerTest : public ::testing::Test {
protected:
    std::vector<std::string> answers() const
    {
        std::vector<std::string> out;
        for (auto& post : m_bus->posts())
            if (post.name == Manager::answerName)
                out.push_back(*post.object->string());
        return out;
    }

    TestLog m_log;
    TemporaryFolder m_folder{"manager"};
    std::string m_path = m_folder / "fstab";
    std::shared_ptr<InProcessNotificationBus> m_bus = std::make_shared<InProcessNotificationBus>();
    DistributedNotificationCenter m_center{m_bus};
};

TEST_F(ManagerTest, RequestsArriveThroughTheCenterAndAreAnswered)
{
    Manager manager(m_center, m_path, [](uid_t) { return true; });
    // Malformed requests do not even read the file.
    manager.doEvent(Notification{Manager::requestName, std::string("clear"), 0});
    manager.doEvent(Notification{Manager::requestName, std::nullopt, 0});
    EXPECT_EQ(manager.fstab(), nullptr);

    ASSERT_TRUE(m_center.post(Manager::requestName, std::string("add,Data"), DistributedNotificationCenter::deliverToAllSessions));
    RunLoop::main().runUntil([&] { return !answers().empty(); }, 2);
    EXPECT_EQ(answers(), std::vector<std::string>{"add,Data"});
    EXPECT_EQ(m_bus->posts().back().options, 2u);
    EXPECT_EQ(*FileManager::contents(m_path), "LABEL=Data none ntfs rw,auto,nobrowse\n");
}

TEST_F(ManagerTest, AFloodFromUntrustedSendersChangesNothingAndIsLoggedOnce)
{
    std::vector<uid_t> asked;
    Manager manager(m_center, m_path, [&](uid_t uid) {
        asked.push_back(uid);
        return uid == 0;
    });
    m_bus->setSenderUid(65534);
    for (int index = 0; index < 1000; ++index)
        ASSERT_TRUE(m_center.post(Manager::requestName, std::string("add,Evil")));
    m_bus->setSenderUid(1000);
    ASSERT_TRUE(m_center.post(Manager::requestName, std::string("add,Evil")));
    RunLoop::main().runUntilIdle();
    EXPECT_EQ(asked.size(), 1001u);
    EXPECT_EQ(manager.fstab(), nullptr);
    EXPECT_FALSE(FileManager::fileExists(m_path));
    EXPECT_TRUE(answers().empty());

    // One line per sender's user id, not one per request.
    std::string log = m_log.text();
    auto count = [&](const std::string& text) {
        size_t found = 0;
        for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1))
            ++found;
        return found;
    };
    EXPECT_EQ(count("Ignored a request from user id 65534"), 1u) << log;
    EXPECT_EQ(count("Ignored a request from user id 1000"), 1u) << log;
}

}  // namespace
