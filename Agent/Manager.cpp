#include "Agent/Manager.h"

#include "Platform/Foundation/Text.h"
#include "Shared/Console.h"

Manager::Manager(DistributedNotificationCenter& center, std::string fstabPath, SenderCheck mayChangeFstab)
    : notify(center)
    , m_fstabPath(std::move(fstabPath))
    , m_mayChangeFstab(std::move(mayChangeFstab))
{
    m_registration = notify.addObserver(requestName, [this](const Notification& notification) {
        doEvent(notification);
    });
}

void Manager::doEvent(const Notification& notification)
{
    if (!m_mayChangeFstab(notification.senderUid)) {
        std::string who = notification.senderUid == static_cast<uid_t>(-1) ? std::string("unknown")
                                                                            : std::to_string(notification.senderUid);
        Console::shared().printLog("Ignored a request from user id " + who + ": only root and administrators may change "
                                       + m_fstabPath,
                                   "doEvent(_:)");
        return;
    }
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
