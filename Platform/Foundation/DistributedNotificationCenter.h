#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "Platform/Foundation/Notification.h"
#include "Platform/Foundation/NotificationBus.h"
#include "Platform/Foundation/ObserverRegistration.h"

// Notifications between processes of every user on the machine. The default
// center broadcasts on the D-Bus system bus; tests may hand it another bus.
class DistributedNotificationCenter {
public:
    enum Options : unsigned {
        deliverImmediately = 1,
        deliverToAllSessions = 2,
    };
    using Observer = std::function<void(const Notification&)>;

    static DistributedNotificationCenter& defaultCenter();

    explicit DistributedNotificationCenter(std::shared_ptr<NotificationBus> bus);

    // Sent before it returns: a post right before the process exits is not lost.
    Expected<void> post(const std::string& name, std::optional<PropertyListValue> object = std::nullopt,
                        unsigned options = 0);

    // Delivers every notification named `name` from a sender that `senders`
    // accepts on the main run loop, until the returned registration is destroyed.
    [[nodiscard]] std::unique_ptr<ObserverRegistration> addObserver(const std::string& name, Observer observer,
                                                                    SenderPolicy senders = {});

private:
    std::shared_ptr<NotificationBus> m_bus;
};
