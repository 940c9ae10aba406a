#pragma once

#include <sys/types.h>

#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "Platform/Foundation/DBusReceiver.h"
#include "Platform/Foundation/NotificationBus.h"

typedef struct _GDBusConnection GDBusConnection;
typedef struct _GError GError;

// Distributed notifications as broadcast signals on the D-Bus system bus:
//   path      /top/kestrova/DistributedNotificationCenter
//   interface top.kestrova.DistributedNotificationCenter
//   signal    Notification (s name, av object, u options)
// The object list is empty when there is no object, else holds exactly one value.
// Receivers learn who sent a signal from the bus itself (GetConnectionUnixUser),
// on the bus's worker thread as it arrives (DBusReceiver). Each bus object has
// a connection of its own.
class DBusNotificationBus final : public NotificationBus {
public:
    static constexpr const char* objectPath = "/top/kestrova/DistributedNotificationCenter";
    static constexpr const char* interfaceName = "top.kestrova.DistributedNotificationCenter";
    static constexpr const char* signalName = "Notification";

    DBusNotificationBus();
    ~DBusNotificationBus() override;

    Expected<void> post(const std::string& name, const std::optional<PropertyListValue>& object, unsigned options) override;
    unsigned subscribe(const std::string& name, Receiver receiver, SenderPolicy senders = {}) override;
    void unsubscribe(unsigned token) override;

    // Keeps the connection open briefly after a recent post, so receivers can
    // still ask the bus who sent it; called at process exit.
    void lingerAfterLastPost();

private:
    GDBusConnection* connection();
    static GDBusConnection* connect(GError** error);
    // The receiver, made at the first subscription with the connection that
    // watches who joins the bus, and the filters of both connections.
    DBusReceiver& receiver(GDBusConnection* bus);
    Expected<void> callBus(GDBusConnection* bus, const char* method, const std::string& rule);

    std::mutex m_lock;
    GDBusConnection* m_connection = nullptr;
    bool m_triedToConnect = false;
    // Shared with the connection's filter, which may still run for a moment
    // after it is removed.
    std::shared_ptr<DBusReceiver> m_receiver;
    GDBusConnection* m_watch = nullptr;
    unsigned m_filter = 0;
    unsigned m_watchFilter = 0;
    unsigned m_nextToken = 1;
    std::map<unsigned, std::string> m_rules;
    std::chrono::steady_clock::time_point m_lastPost{};
};
