#pragma once

#include <functional>
#include <optional>
#include <string>

#include "Platform/Foundation/Expected.h"
#include "Platform/Foundation/Notification.h"

// What carries distributed notifications between processes. The center hands
// received notifications to the main run loop; a bus only moves them.
class NotificationBus {
public:
    using Receiver = std::function<void(Notification)>;

    virtual ~NotificationBus() = default;

    // Fails when the notification could not be sent (no bus reachable).
    virtual Expected<void> post(const std::string& name, const std::optional<PropertyListValue>& object, unsigned options) = 0;
    // `receiver` is called on the main run loop for every notification named `name`.
    virtual unsigned subscribe(const std::string& name, Receiver receiver) = 0;
    virtual void unsubscribe(unsigned token) = 0;
};
