#pragma once

#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>

#include "Platform/Foundation/Expected.h"
#include "Platform/Foundation/Notification.h"

// Whose notifications an observer hears. Anyone on the machine may post, so a
// bus decides as each notification arrives, on the thread that receives it,
// before it costs the main run loop anything: both calls must be thread-safe
// and quick.
struct SenderPolicy {
    // Empty: everyone is heard.
    std::function<bool(uid_t)> accepts;
    // Told about each notification dropped because of who sent it (-1: the
    // bus could not say who).
    std::function<void(uid_t)> rejected;
};

// What carries distributed notifications between processes. The center hands
// received notifications to the main run loop; a bus only moves them.
class NotificationBus {
public:
    using Receiver = std::function<void(Notification)>;

    virtual ~NotificationBus() = default;

    // Fails when the notification could not be sent (no bus reachable).
    virtual Expected<void> post(const std::string& name, const std::optional<PropertyListValue>& object, unsigned options) = 0;
    // `receiver` is called on the main run loop for every notification named
    // `name` from a sender that `senders` accepts.
    virtual unsigned subscribe(const std::string& name, Receiver receiver, SenderPolicy senders) = 0;
    virtual void unsubscribe(unsigned token) = 0;
};
