#include "Agent/Manager.h"

#include "Platform/Foundation/Text.h"
#include "Shared/Console.h"

Manager::Manager(DistributedNotificationCenter& center, std::string fstabPath, SenderCheck mayChangeFstab)
    : notify(center)
    , m_fstabPath(std::move(fstabPath))
    , m_mayChangeFstab(std::move(mayChangeFstab))
{
    // Senders are sorted out on the bus's own thread as requests arrive, so a
    // flood from users who may not change the table never reaches the run loop.
    SenderPolicy senders;
    senders.accepts = m_mayChangeFstab;
    senders.rejected = [path = m_fstabPath](uid_t uid) {
        std::string who = uid == static_cast<uid_t>(-1) ? std::string("unknown") : std::to_string(uid);
        Console::shared().printLogLimited("sender " + who,
                                          "Ignored a request from user id " + who
                                              + ": only root and administrators may change " + path,
                                          "doEvent(_:)");
    };
    m_registration = notify.addObserver(
        requestName, [this](const Notification& notification) { doEvent(notification); }, std::move(senders));
}

void Manager::doEvent(const Notification& notification)
{
    const std::string* request = notification.objectText();
    if (!request) {
        Console::shared().printLog("错误的指令", "doEvent(_:)");
        return;
    }
    auto parts = Text::split(*request, ',', Text::keepEmpty);
    if (parts.size() != 2)
        return;
    if (!m_fstab)
        m_fstab = std::make_unique<FSTab>(m_fstabPath);

    const std::string& command = parts[0];
    const std::string& argument = parts[1];
    if (command == "clear") {
        m_fstab->clear();
        return;
    }
    if (command == "add")
        m_fstab->add(argument);
    else if (command == "remove")
        m_fstab->remove(argument);
    if (auto answered = notify.post(answerName, *request, DistributedNotificationCenter::deliverToAllSessions); !answered)
        Console::shared().printLog(answered.error().description, "doEvent(_:)");
}
