#include "Platform/Foundation/DBusNotificationBus.h"

#include <gio/gio.h>

#include <cstdio>
#include <thread>

namespace {

// A receiver asks the bus for a sender's user id after the signal arrives; a
// sender that exits at once would be gone by then.
constexpr auto kLinger = std::chrono::milliseconds(300);
constexpr size_t kUidCacheLimit = 256;

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

// A hand-made signal may carry any type; whatever is not one of ours still
// arrives, as a non-text object, so receivers can reject it.
PropertyListValue objectFrom(GVariant* value)
{
    if (g_variant_is_of_type(value, G_VARIANT_TYPE_STRING))
        return std::string(g_variant_get_string(value, nullptr));
    if (g_variant_is_of_type(value, G_VARIANT_TYPE_INT64))
        return static_cast<std::int64_t>(g_variant_get_int64(value));
    if (g_variant_is_of_type(value, G_VARIANT_TYPE_INT32))
        return static_cast<std::int64_t>(g_variant_get_int32(value));
    if (g_variant_is_of_type(value, G_VARIANT_TYPE_UINT32))
        return static_cast<std::int64_t>(g_variant_get_uint32(value));
    if (g_variant_is_of_type(value, G_VARIANT_TYPE_DOUBLE))
        return g_variant_get_double(value);
    if (g_variant_is_of_type(value, G_VARIANT_TYPE_BOOLEAN))
        return static_cast<bool>(g_variant_get_boolean(value));
    return static_cast<std::int64_t>(-1);
}

struct Subscription {
    DBusNotificationBus* bus;
    NotificationBus::Receiver receiver;
};

}  // namespace

DBusNotificationBus::DBusNotificationBus() = default;

DBusNotificationBus::~DBusNotificationBus()
{
    if (m_connection)
        g_object_unref(m_connection);
}

GDBusConnection* DBusNotificationBus::connection()
{
    std::lock_guard guard(m_lock);
    if (!m_triedToConnect) {
        m_triedToConnect = true;
        GError* error = nullptr;
        m_connection = g_bus_get_sync(G_BUS_TYPE_SYSTEM, nullptr, &error);
        if (!m_connection) {
            std::fprintf(stderr, "DistributedNotificationCenter: no system bus (%s); notifications are not sent or received\n",
                         error ? error->message : "unknown error");
            g_clear_error(&error);
        } else {
            // Losing the bus must not end the program.
            g_dbus_connection_set_exit_on_close(m_connection, FALSE);
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

unsigned DBusNotificationBus::subscribe(const std::string& name, Receiver receiver)
{
    GDBusConnection* bus = connection();
    if (!bus)
        return 0;
    auto* subscription = new Subscription{this, std::move(receiver)};
    // Filtering on the first argument lets the bus drop other names for us.
    return g_dbus_connection_signal_subscribe(
        bus, nullptr, interfaceName, signalName, objectPath, name.c_str(), G_DBUS_SIGNAL_FLAGS_NONE,
        [](GDBusConnection*, const gchar* sender, const gchar*, const gchar*, const gchar*, GVariant* parameters,
           gpointer data) {
            if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(savu)")))
                return;
            auto* self = static_cast<Subscription*>(data);
            const gchar* name = nullptr;
            GVariant* list = nullptr;
            guint32 options = 0;
            g_variant_get(parameters, "(&s@avu)", &name, &list, &options);
            Notification notification;
            notification.name = name;
            if (g_variant_n_children(list) > 0) {
                GVariant* boxed = g_variant_get_child_value(list, 0);
                GVariant* value = g_variant_get_variant(boxed);
                notification.object = objectFrom(value);
                g_variant_unref(value);
                g_variant_unref(boxed);
            }
            g_variant_unref(list);
            notification.senderUid = self->bus->senderUid(sender);
            self->receiver(std::move(notification));
        },
        subscription, [](gpointer data) { delete static_cast<Subscription*>(data); });
}

void DBusNotificationBus::unsubscribe(unsigned token)
{
    if (token != 0 && m_connection)
        g_dbus_connection_signal_unsubscribe(m_connection, token);
}

uid_t DBusNotificationBus::senderUid(const char* sender)
{
    const uid_t unknown = static_cast<uid_t>(-1);
    if (!sender || !m_connection)
        return unknown;
    {
        std::lock_guard guard(m_lock);
        // Unique connection names are never reused on a bus, so a cached answer stays true.
        if (auto found = m_uids.find(sender); found != m_uids.end())
            return found->second;
    }
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_sync(m_connection, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                  "org.freedesktop.DBus", "GetConnectionUnixUser",
                                                  g_variant_new("(s)", sender), G_VARIANT_TYPE("(u)"),
                                                  G_DBUS_CALL_FLAGS_NONE, 2000, nullptr, &error);
    if (!reply) {
        g_clear_error(&error);
        return unknown;
    }
    guint32 uid = 0;
    g_variant_get(reply, "(u)", &uid);
    g_variant_unref(reply);
    std::lock_guard guard(m_lock);
    if (m_uids.size() >= kUidCacheLimit)
        m_uids.clear();
    m_uids[sender] = uid;
    return uid;
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
