#pragma once

#include <sys/types.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

typedef struct _GDBusConnection GDBusConnection;
typedef struct _GDBusMessage GDBusMessage;

// The user id behind each connection on the bus, which only the bus can vouch
// for. It is asked for as soon as a connection joins (the bus announces each
// one on a connection of ours that nothing floods), so that it is known even
// if the connection sends one message and is gone at once; a connection that
// was there before us is asked about at its first message. Messages from a
// connection whose id is still being asked for wait for the answer, in order.
// Unique connection names are never reused, so what was learnt stays true
// after the connection left, while its messages may still be on their way.
//
// Everything here runs on the bus's worker thread, from the connections'
// message filters, so it must never block.
class DBusSenders {
public:
    static constexpr uid_t unknownUid = static_cast<uid_t>(-1);
    // Called with each message (a reference it takes over) once its sender's
    // user id is known, or unknownUid when the bus could not say.
    using Release = std::function<void(GDBusMessage* message, uid_t uid)>;

    // Questions go out on `askOn`, the connection that hears who joins.
    DBusSenders(GDBusConnection* askOn, Release release);
    ~DBusSenders();
    DBusSenders(const DBusSenders&) = delete;
    DBusSenders& operator=(const DBusSenders&) = delete;

    // From the bus's NameOwnerChanged for a unique connection name.
    void joined(const std::string& name);
    void left(const std::string& name);
    // A message from `sender`; released now or once its user id is known.
    void arrived(const std::string& sender, GDBusMessage* message);
    // True when `reply` answers one of our questions (and was taken care of).
    bool answered(GDBusMessage* reply);

private:
    struct Connection {
        std::optional<uid_t> uid;
        bool gone = false;
        std::deque<GDBusMessage*> waiting;
    };
    // Forgets the oldest connections that left, past a bound.
    void forget(const std::string& name);
    using Releases = std::vector<std::pair<GDBusMessage*, uid_t>>;

    // Sends GetConnectionUnixUser; false when it could not be sent.
    bool ask(const std::string& name);
    void settle(const std::string& name, uid_t uid, Releases& releases);
    void releaseAll(Releases& releases);

    GDBusConnection* m_connection;
    Release m_release;
    std::mutex m_lock;
    std::unordered_map<std::string, Connection> m_connections;
    // Our questions in flight, by serial: whose user id each asks for.
    std::unordered_map<uint32_t, std::string> m_questions;
    // Connections that left, oldest first.
    std::deque<std::string> m_departed;
};
