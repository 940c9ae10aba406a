#include "Agent/Manager.h"

#include <string_view>
#include <vector>

#include "Shared/Console.h"

namespace {

std::vector<std::string> components(const std::string& text)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        size_t comma = text.find(',', start);
        parts.push_back(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (comma == std::string::npos)
            return parts;
        start = comma + 1;
    }
}

}  // namespace

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
    auto parts = components(*request);
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
    notify.post(answerName, *request, DistributedNotificationCenter::deliverToAllSessions);
}
