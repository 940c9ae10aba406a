#include "Platform/Foundation/DBusNotificationBus.h"

#include <gio/gio.h>

#include <cstdio>
#include <thread>

namespace {

// A receiver that started after us learns our user id only when our first
// message arrives; we stay long enough for the bus to tell it.
constexpr auto kLinger = std::chrono::milliseconds(300);

GVariant* toVariant(const PropertyListValue& value)
{
    struct Visitor {
        GVariant* operator()(const std::string& text) const { return g_variant_new_string(text.c_str()); }
        GVariant* operator()(std::int64_t number) const { return g_variant_new_int64(number); }
        GVariant* operator()(double number) const { return g_variant_new_double(number); }
        GVariant* operator()(bool flag) const { return g_variant_new_boolean(flag); }
        GVariant* operator()(const PropertyListValue::Data& data) const
        {
            return g_variant_new_fixed_array(G_VARIANT_TYPE_BYTE, data.bytes.data(), data.bytes.size(), 1);
        }
        GVariant* operator()(const PropertyListValue::Date& date) const
        {
            return g_variant_new_double(date.sinceReferenceDate);
        }
        GVariant* operator()(const PropertyListValue::Array& array) const
        {
            GVariantBuilder items;
            g_variant_builder_init(&items, G_VARIANT_TYPE("av"));
            for (const auto& item : array)
                g_variant_builder_add(&items, "v", toVariant(item));
            return g_variant_builder_end(&items);
        }
        GVariant* operator()(const PropertyListValue::Dictionary& dictionary) const
        {
            GVariantBuilder entries;
            g_variant_builder_init(&entries, G_VARIANT_TYPE("a{sv}"));
            for (const auto& [key, item] : dictionary)
                g_variant_builder_add(&entries, "{sv}", key.c_str(), toVariant(item));
            return g_variant_builder_end(&entries);
        }
    };
    return std::visit(Visitor{}, value.storage());
}

GVariant* objectVariant(const std::optional<PropertyListValue>& object)
{
    GVariantBuilder list;
    g_variant_builder_init(&list, G_VARIANT_TYPE("av"));
    if (object)
        g_variant_builder_add(&list, "v", toVariant(*object));
    return g_variant_builder_end(&list);
}

// Match rules quote values in single quotes; a quote inside is written '\''.
std::string quotedForRule(const std::string& value)
{
    std::string quoted = "'";
    for (char character : value)
        quoted += character == '\'' ? std::string("'\\''") : std::string(1, character);
    return quoted + "'";
}

DBusReceiver& receiverOf(gpointer data)
{
    return **static_cast<std::shared_ptr<DBusReceiver>*>(data);
}

constexpr const char* kOwnerChangesRule =
    "type='signal',sender='org.freedesktop.DBus',interface='org.freedesktop.DBus',"
    "member='NameOwnerChanged',path='/org/freedesktop/DBus'";

}  // namespace

DBusNotificationBus::DBusNotificationBus() = default;

DBusNotificationBus::~DBusNotificationBus()
{
    for (auto [connection, filter] : {std::pair{m_watch, m_watchFilter}, std::pair{m_connection, m_filter}}) {
        if (!connection)
            continue;
        if (filter)
            g_dbus_connection_remove_filter(connection, filter);
        g_dbus_connection_close_sync(connection, nullptr, nullptr);
        g_object_unref(connection);
    }
}

GDBusConnection* DBusNotificationBus::connect(GError** error)
{
    // Connections of our own rather than the process's shared one: the filters
    // take in our signals, and no other user of the bus is affected.
    gchar* address = g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SYSTEM, nullptr, error);
    if (!address)
        return nullptr;
    auto flags = static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT
                                                   | G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION);
    GDBusConnection* connection = g_dbus_connection_new_for_address_sync(address, flags, nullptr, nullptr, error);
    g_free(address);
    if (connection) {
        // Losing the bus must not end the program.
        g_dbus_connection_set_exit_on_close(connection, FALSE);
    }
    return connection;
}

GDBusConnection* DBusNotificationBus::connection()
{
    std::lock_guard guard(m_lock);
    if (!m_triedToConnect) {
        m_triedToConnect = true;
        GError* error = nullptr;
        m_connection = connect(&error);
        if (!m_connection) {
            std::fprintf(stderr, "DistributedNotificationCenter: no system bus (%s); notifications are not sent or received\n",
                         error ? error->message : "unknown error");
            g_clear_error(&error);
        }
    }
    return m_connection;
}

Expected<void> DBusNotificationBus::post(const std::string& name, const std::optional<PropertyListValue>& object,
                                         unsigned options)
{
    GDBusConnection* bus = connection();
    if (!bus)
        return Error::message("no system bus: " + name + " was not posted");
    GError* error = nullptr;
    GVariant* body = g_variant_new("(s@avu)", name.c_str(), objectVariant(object), options);
    bool sent = g_dbus_connection_emit_signal(bus, nullptr, objectPath, interfaceName, signalName, body, &error);
    // Flushed here, so a post made right before the process exits still leaves.
    if (sent)
        sent = g_dbus_connection_flush_sync(bus, nullptr, &error);
    if (!sent) {
        Error failure = Error::message("could not post " + name + ": " + (error ? error->message : "unknown error"));
        g_clear_error(&error);
        return failure;
    }
    std::lock_guard guard(m_lock);
    m_lastPost = std::chrono::steady_clock::now();
    return {};
}

unsigned DBusNotificationBus::subscribe(const std::string& name, Receiver receiver, SenderPolicy senders)
{
    GDBusConnection* bus = connection();
    if (!bus)
        return 0;
    DBusReceiver& incoming = this->receiver(bus);
    unsigned token;
    {
        std::lock_guard guard(m_lock);
        token = m_nextToken++;
    }
    incoming.add(token, name, std::move(receiver), std::move(senders));
    // Asked for before returning, so that nothing posted afterwards is missed.
    std::string rule = std::string("type='signal',path='") + objectPath + "',interface='" + interfaceName
        + "',member='" + signalName + "',arg0=" + quotedForRule(name);
    if (auto added = callBus(bus, "AddMatch", rule); !added)
        std::fprintf(stderr, "DistributedNotificationCenter: %s\n", added.error().description.c_str());
    std::lock_guard guard(m_lock);
    m_rules[token] = rule;
    return token;
}

void DBusNotificationBus::unsubscribe(unsigned token)
{
    if (token == 0 || !m_connection)
        return;
    std::string rule;
    {
        std::lock_guard guard(m_lock);
        auto found = m_rules.find(token);
        if (found == m_rules.end())
            return;
        rule = std::move(found->second);
        m_rules.erase(found);
    }
    m_receiver->remove(token);
    g_dbus_connection_call(m_connection, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                           "RemoveMatch", g_variant_new("(s)", rule.c_str()), nullptr, G_DBUS_CALL_FLAGS_NONE, -1,
                           nullptr, nullptr, nullptr);
}

DBusReceiver& DBusNotificationBus::receiver(GDBusConnection* bus)
{
    std::lock_guard guard(m_lock);
    if (m_receiver)
        return *m_receiver;
    GError* error = nullptr;
    m_watch = connect(&error);
    if (!m_watch) {
        // Then senders are asked about at their first message, on the one connection.
        std::fprintf(stderr, "DistributedNotificationCenter: no second connection (%s)\n",
                     error ? error->message : "unknown error");
        g_clear_error(&error);
    }
    GDBusConnection* watch = m_watch ? m_watch : bus;
    m_receiver = std::make_shared<DBusReceiver>(watch);
    using Filter = GDBusMessage* (*)(GDBusConnection*, GDBusMessage*, gboolean, gpointer);
    auto add = [&](GDBusConnection* connection, Filter filter) {
        return g_dbus_connection_add_filter(connection, filter, new std::shared_ptr<DBusReceiver>(m_receiver),
                                            [](gpointer data) { delete static_cast<std::shared_ptr<DBusReceiver>*>(data); });
    };
    if (m_watch) {
        m_filter = add(bus, [](GDBusConnection*, GDBusMessage* message, gboolean incoming, gpointer data) {
            return incoming ? receiverOf(data).filterNotifications(message) : message;
        });
        m_watchFilter = add(m_watch, [](GDBusConnection*, GDBusMessage* message, gboolean incoming, gpointer data) {
            return incoming ? receiverOf(data).filterWatch(message) : message;
        });
    } else {
        m_filter = add(bus, [](GDBusConnection*, GDBusMessage* message, gboolean incoming, gpointer data) {
            if (!incoming)
                return message;
            message = receiverOf(data).filterNotifications(message);
            return message ? receiverOf(data).filterWatch(message) : nullptr;
        });
    }
    // Every connection that joins from now on, so its user id is known
    // before its first message could be read.
    if (auto added = callBus(watch, "AddMatch", kOwnerChangesRule); !added)
        std::fprintf(stderr, "DistributedNotificationCenter: %s\n", added.error().description.c_str());
    return *m_receiver;
}

Expected<void> DBusNotificationBus::callBus(GDBusConnection* bus, const char* method, const std::string& rule)
{
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_sync(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                  "org.freedesktop.DBus", method, g_variant_new("(s)", rule.c_str()),
                                                  nullptr, G_DBUS_CALL_FLAGS_NONE, -1, nullptr, &error);
    if (!reply) {
        Error failure = Error::message(std::string(method) + " failed: " + (error ? error->message : "unknown error"));
        g_clear_error(&error);
        return failure;
    }
    g_variant_unref(reply);
    return {};
}

void DBusNotificationBus::lingerAfterLastPost()
{
    std::chrono::steady_clock::time_point last;
    {
        std::lock_guard guard(m_lock);
        last = m_lastPost;
    }
    if (last == std::chrono::steady_clock::time_point{})
        return;
    auto until = last + kLinger;
    if (until > std::chrono::steady_clock::now())
        std::this_thread::sleep_until(until);
}
