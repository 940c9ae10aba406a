#include "Platform/Foundation/DBusReceiver.h"

#include <gio/gio.h>

#include <cstring>
#include <vector>

#include "Platform/Foundation/DBusNotificationBus.h"
#include "Platform/Foundation/DispatchQueue.h"

namespace {

// A user's membership of the administrators' groups is looked up again after this.
constexpr auto kVerdictLifetime = std::chrono::seconds(10);
constexpr size_t kMostVerdicts = 256;

bool equal(const char* text, const char* expected)
{
    return text && std::strcmp(text, expected) == 0;
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

Notification notificationFrom(GVariant* body, uid_t uid)
{
    const gchar* name = nullptr;
    GVariant* list = nullptr;
    guint32 options = 0;
    g_variant_get(body, "(&s@avu)", &name, &list, &options);
    Notification notification;
    notification.name = name;
    notification.senderUid = uid;
    if (g_variant_n_children(list) > 0) {
        GVariant* boxed = g_variant_get_child_value(list, 0);
        GVariant* value = g_variant_get_variant(boxed);
        notification.object = objectFrom(value);
        g_variant_unref(value);
        g_variant_unref(boxed);
    }
    g_variant_unref(list);
    return notification;
}

}  // namespace

DBusReceiver::DBusReceiver(GDBusConnection* watch)
    : m_senders(watch, [this](GDBusMessage* message, uid_t uid) {
        deliver(message, uid);
        g_object_unref(message);
    })
{
}

void DBusReceiver::add(unsigned token, const std::string& name, NotificationBus::Receiver receiver,
                       SenderPolicy senders)
{
    auto subscription = std::make_shared<Subscription>();
    subscription->name = name;
    subscription->receiver = std::move(receiver);
    subscription->senders = std::move(senders);
    std::lock_guard guard(m_lock);
    m_subscriptions[token] = std::move(subscription);
}

void DBusReceiver::remove(unsigned token)
{
    std::lock_guard guard(m_lock);
    if (auto found = m_subscriptions.find(token); found != m_subscriptions.end()) {
        found->second->alive = false;
        m_subscriptions.erase(found);
    }
}

GDBusMessage* DBusReceiver::filterNotifications(GDBusMessage* message)
{
    const char* sender = g_dbus_message_get_sender(message);
    GVariant* body = g_dbus_message_get_body(message);
    if (g_dbus_message_get_message_type(message) != G_DBUS_MESSAGE_TYPE_SIGNAL || !sender
        || !equal(g_dbus_message_get_interface(message), DBusNotificationBus::interfaceName)
        || !equal(g_dbus_message_get_member(message), DBusNotificationBus::signalName)
        || !equal(g_dbus_message_get_path(message), DBusNotificationBus::objectPath))
        return message;
    if (body && g_variant_is_of_type(body, G_VARIANT_TYPE("(savu)")))
        m_senders.arrived(sender, message);
    else
        g_object_unref(message);
    return nullptr;
}

GDBusMessage* DBusReceiver::filterWatch(GDBusMessage* message)
{
    switch (g_dbus_message_get_message_type(message)) {
    case G_DBUS_MESSAGE_TYPE_METHOD_RETURN:
    case G_DBUS_MESSAGE_TYPE_ERROR:
        if (m_senders.answered(message)) {
            g_object_unref(message);
            return nullptr;
        }
        return message;
    case G_DBUS_MESSAGE_TYPE_SIGNAL:
        if (equal(g_dbus_message_get_sender(message), "org.freedesktop.DBus")
            && equal(g_dbus_message_get_interface(message), "org.freedesktop.DBus")
            && equal(g_dbus_message_get_member(message), "NameOwnerChanged"))
            ownerChanged(message);
        return message;
    default:
        return message;
    }
}

void DBusReceiver::ownerChanged(GDBusMessage* message)
{
    GVariant* body = g_dbus_message_get_body(message);
    if (!body || !g_variant_is_of_type(body, G_VARIANT_TYPE("(sss)")))
        return;
    const gchar* name = nullptr;
    const gchar* before = nullptr;
    const gchar* after = nullptr;
    g_variant_get(body, "(&s&s&s)", &name, &before, &after);
    // Unique names (":1.42") are connections; well-known names are not.
    if (name[0] != ':')
        return;
    if (*before == '\0' && *after != '\0')
        m_senders.joined(name);
    else if (*before != '\0' && *after == '\0')
        m_senders.left(name);
}

bool DBusReceiver::accepts(Subscription& subscription, uid_t uid)
{
    if (!subscription.senders.accepts)
        return true;
    // Only the worker thread asks, so the cache needs no lock of its own.
    auto now = std::chrono::steady_clock::now();
    auto found = subscription.verdicts.find(uid);
    if (found != subscription.verdicts.end() && now - found->second.second < kVerdictLifetime)
        return found->second.first;
    if (subscription.verdicts.size() >= kMostVerdicts)
        subscription.verdicts.clear();
    bool accepted = subscription.senders.accepts(uid);
    subscription.verdicts[uid] = {accepted, now};
    return accepted;
}

void DBusReceiver::deliver(GDBusMessage* message, uid_t uid)
{
    GVariant* body = g_dbus_message_get_body(message);
    const gchar* name = nullptr;
    g_variant_get_child(body, 0, "&s", &name);
    std::vector<std::shared_ptr<Subscription>> matching;
    {
        std::lock_guard guard(m_lock);
        for (auto& [token, subscription] : m_subscriptions) {
            if (subscription->name == name)
                matching.push_back(subscription);
        }
    }
    std::optional<Notification> notification;
    for (auto& subscription : matching) {
        if (!accepts(*subscription, uid)) {
            if (subscription->senders.rejected)
                subscription->senders.rejected(uid);
            continue;
        }
        if (!notification)
            notification = notificationFrom(body, uid);
        DispatchQueue::main().async([subscription, delivered = *notification]() {
            if (subscription->alive)
                subscription->receiver(delivered);
        });
    }
}
