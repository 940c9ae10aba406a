#include <gtest/gtest.h>

#include "Agent/Manager.h"
#include "Platform/Foundation/FileManager.h"
#include "Platform/Foundation/RunLoop.h"
#include "support/InProcessNotificationBus.h"
#include "support/TemporaryFolder.h"

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
    EXPECT_EQ(*FileManager::contents(m_path), "LABEL=Data none ntfs rw,auto,nobrowse");
}

TEST_F(ManagerTest, UntrustedSendersChangeNothingAndGetNoAnswer)
{
    uid_t asked = 0;
    Manager manager(m_center, m_path, [&](uid_t uid) {
        asked = uid;
        return uid == 0;
    });
    manager.doEvent(Notification{Manager::requestName, std::string("add,Evil"), 1000});
    EXPECT_EQ(asked, 1000u);
    EXPECT_EQ(manager.fstab(), nullptr);
    EXPECT_FALSE(FileManager::fileExists(m_path));
    EXPECT_TRUE(answers().empty());
}

}  // namespace
