#include "Platform/Foundation/DBusSenders.h"

#include <gio/gio.h>

namespace {

// A connection may send this many before the bus has told us who it is; more
// are dropped as from an unknown user, so no one can make us hold without end.
constexpr size_t kMostWaiting = 1024;
// How many connections that left are still known: their last messages may
// wait behind a flood on the other connection.
constexpr size_t kMostDeparted = 65536;

}  // namespace

DBusSenders::DBusSenders(GDBusConnection* connection, Release release)
    : m_connection(connection)
    , m_release(std::move(release))
{
}

DBusSenders::~DBusSenders()
{
    for (auto& [name, connection] : m_connections) {
        for (GDBusMessage* message : connection.waiting)
            g_object_unref(message);
    }
}

void DBusSenders::joined(const std::string& name)
{
    std::lock_guard guard(m_lock);
    if (m_connections.contains(name))
        return;
    Connection& connection = m_connections[name];
    if (!ask(name))
        connection.uid = unknownUid;
}

void DBusSenders::left(const std::string& name)
{
    std::lock_guard guard(m_lock);
    auto found = m_connections.find(name);
    if (found == m_connections.end() || found->second.gone)
        return;
    found->second.gone = true;
    forget(name);
}

void DBusSenders::forget(const std::string& name)
{
    m_departed.push_back(name);
    while (m_departed.size() > kMostDeparted) {
        auto oldest = m_connections.find(m_departed.front());
        // One still waiting for its answer goes once that comes.
        if (oldest != m_connections.end() && oldest->second.uid)
            m_connections.erase(oldest);
        m_departed.pop_front();
    }
}

void DBusSenders::arrived(const std::string& sender, GDBusMessage* message)
{
    Releases releases;
    {
        std::lock_guard guard(m_lock);
        auto [found, isNew] = m_connections.try_emplace(sender);
        Connection& connection = found->second;
        if (isNew && !ask(sender))
            connection.uid = unknownUid;
        if (connection.uid)
            releases.emplace_back(message, *connection.uid);
        else if (connection.waiting.size() < kMostWaiting)
            connection.waiting.push_back(message);
        else
            releases.emplace_back(message, unknownUid);
    }
    releaseAll(releases);
}

bool DBusSenders::answered(GDBusMessage* reply)
{
    Releases releases;
    {
        std::lock_guard guard(m_lock);
        auto question = m_questions.find(g_dbus_message_get_reply_serial(reply));
        if (question == m_questions.end())
            return false;
        std::string name = std::move(question->second);
        m_questions.erase(question);
        uid_t uid = unknownUid;
        GVariant* body = g_dbus_message_get_body(reply);
        if (g_dbus_message_get_message_type(reply) == G_DBUS_MESSAGE_TYPE_METHOD_RETURN && body
            && g_variant_is_of_type(body, G_VARIANT_TYPE("(u)"))) {
            guint32 value = 0;
            g_variant_get(body, "(u)", &value);
            uid = value;
        }
        settle(name, uid, releases);
    }
    releaseAll(releases);
    return true;
}

bool DBusSenders::ask(const std::string& name)
{
    GDBusMessage* question = g_dbus_message_new_method_call("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                            "org.freedesktop.DBus", "GetConnectionUnixUser");
    g_dbus_message_set_body(question, g_variant_new("(s)", name.c_str()));
    guint32 serial = 0;
    // Sent from the worker thread itself: the answer cannot be read before the
    // serial is recorded here.
    bool sent = g_dbus_connection_send_message(m_connection, question, G_DBUS_SEND_MESSAGE_FLAGS_NONE, &serial, nullptr);
    g_object_unref(question);
    if (sent)
        m_questions[serial] = name;
    return sent;
}

void DBusSenders::settle(const std::string& name, uid_t uid, Releases& releases)
{
    auto found = m_connections.find(name);
    if (found == m_connections.end())
        return;
    Connection& connection = found->second;
    connection.uid = uid;
    for (GDBusMessage* message : connection.waiting)
        releases.emplace_back(message, uid);
    connection.waiting.clear();
}

void DBusSenders::releaseAll(Releases& releases)
{
    for (auto& [message, uid] : releases)
        m_release(message, uid);
}
