#pragma once

#include <sys/types.h>

#include <chrono>
#include <map>
#include <mutex>
#include <string>

#include "Platform/Foundation/NotificationBus.h"

typedef struct _GDBusConnection GDBusConnection;

// Distributed notifications as broadcast signals on the D-Bus system bus:
//   path      /top/kestrova/DistributedNotificationCenter
//   interface top.kestrova.DistributedNotificationCenter
//   signal    Notification (s name, av object, u options)
// The object list is empty when there is no object, else holds exactly one value.
// Receivers learn who sent a signal from the bus itself (GetConnectionUnixUser).
class DBusNotificationBus final : public NotificationBus {
public:
    static constexpr const char* objectPath = "/top/kestrova/DistributedNotificationCenter";
    static constexpr const char* interfaceName = "top.kestrova.DistributedNotificationCenter";
    static constexpr const char* signalName = "Notification";

    DBusNotificationBus();
    ~DBusNotificationBus() override;

    Expected<void> post(const std::string& name, const std::optional<PropertyListValue>& object, unsigned options) override;
    unsigned subscribe(const std::string& name, Receiver receiver) override;
    void unsubscribe(unsigned token) override;

    // Keeps the connection open briefly after a recent post, so receivers can
    // still ask the bus who sent it; called at process exit.
    void lingerAfterLastPost();

private:
    GDBusConnection* connection();
    uid_t senderUid(const char* sender);

    std::mutex m_lock;
    GDBusConnection* m_connection = nullptr;
    bool m_triedToConnect = false;
    std::map<std::string, uid_t> m_uids;
    std::chrono::steady_clock::time_point m_lastPost{};
};
