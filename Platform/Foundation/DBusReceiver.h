#pragma once

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "Platform/Foundation/DBusSenders.h"
#include "Platform/Foundation/NotificationBus.h"

// What arrives for the observers, taken in by message filters on the bus's
// worker thread as the bus delivers it: each notification gets its sender's
// user id there (DBusSenders), is dropped there when no observer accepts its
// sender, and only what is accepted is handed to the main run loop. A flood
// from anyone costs the main loop nothing, and a short-lived sender's request
// is not lost to a busy loop. Two connections: notifications arrive on one;
// who joins and leaves the bus, and the answers to who they are, on the other,
// which a flood of notifications cannot hold up.
class DBusReceiver {
public:
    explicit DBusReceiver(GDBusConnection* watch);

    void add(unsigned token, const std::string& name, NotificationBus::Receiver receiver, SenderPolicy senders);
    void remove(unsigned token);

    // The filters for incoming messages on the two connections: each returns
    // what GDBus should go on dispatching (null for what was taken in here).
    GDBusMessage* filterNotifications(GDBusMessage* message);
    GDBusMessage* filterWatch(GDBusMessage* message);

private:
    struct Subscription {
        std::string name;
        NotificationBus::Receiver receiver;
        SenderPolicy senders;
        std::atomic<bool> alive{true};
        // The policy's recent answers, by user id: asking it can mean reading
        // the user database, too slow to do for every message of a flood.
        std::map<uid_t, std::pair<bool, std::chrono::steady_clock::time_point>> verdicts;
    };

    static bool accepts(Subscription& subscription, uid_t uid);
    void ownerChanged(GDBusMessage* message);
    // A notification whose sender is known: to each observer that accepts it.
    void deliver(GDBusMessage* message, uid_t uid);

    std::mutex m_lock;
    std::map<unsigned, std::shared_ptr<Subscription>> m_subscriptions;
    DBusSenders m_senders;
};
