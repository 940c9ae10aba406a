#include "Platform/Foundation/DistributedNotificationCenter.h"

#include <cstdlib>

#include "Platform/Foundation/DBusNotificationBus.h"

DistributedNotificationCenter& DistributedNotificationCenter::defaultCenter()
{
    static DistributedNotificationCenter* center = [] {
        static auto bus = std::make_shared<DBusNotificationBus>();
        std::atexit([] { bus->lingerAfterLastPost(); });
        return new DistributedNotificationCenter(bus);
    }();
    return *center;
}

DistributedNotificationCenter::DistributedNotificationCenter(std::shared_ptr<NotificationBus> bus)
    : m_bus(std::move(bus))
{
}

Expected<void> DistributedNotificationCenter::post(const std::string& name, std::optional<PropertyListValue> object,
                                                   unsigned options)
{
    return m_bus->post(name, object, options);
}

std::unique_ptr<ObserverRegistration> DistributedNotificationCenter::addObserver(const std::string& name,
                                                                                 Observer observer,
                                                                                 SenderPolicy senders)
{
    // A delivery already queued on the run loop when the registration goes must
    // not reach the observer any more.
    auto registered = std::make_shared<bool>(true);
    std::weak_ptr<NotificationBus> bus = m_bus;
    unsigned token = m_bus->subscribe(name, [observer = std::move(observer), registered](Notification notification) {
        if (*registered)
            observer(notification);
    }, std::move(senders));
    return std::make_unique<ObserverRegistration>([bus, token, registered] {
        *registered = false;
        if (auto alive = bus.lock())
            alive->unsubscribe(token);
    });
}
