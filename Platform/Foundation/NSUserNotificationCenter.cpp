#include "Platform/Foundation/NSUserNotificationCenter.h"

#include <gio/gio.h>

#include <optional>
#include <vector>

#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/Foundation/SessionBus.h"

namespace {
constexpr const char* kDaemon = "org.freedesktop.Notifications";
constexpr const char* kPath = "/org/freedesktop/Notifications";

using Self = std::weak_ptr<NSUserNotificationCenter*>;

// What a Notify call's reply needs once it comes back.
struct Delivery {
    Self center;
    NSUserNotification notification;
    NSUserNotificationCenter::Completion completion;
};
}  // namespace

NSUserNotificationCenter::NSUserNotificationCenter(std::string applicationName, std::string desktopEntry)
    : m_applicationName(std::move(applicationName))
    , m_desktopEntry(std::move(desktopEntry))
{
}

NSUserNotificationCenter::~NSUserNotificationCenter()
{
    *m_self = nullptr;
    if (m_clicks)
        g_dbus_connection_signal_unsubscribe(m_bus, m_clicks);
    if (m_bus)
        g_object_unref(m_bus);
}

void NSUserNotificationCenter::deliverNotification(NSUserNotification notification, Completion completion)
{
    DispatchQueue::main().async([self = std::weak_ptr<NSUserNotificationCenter*>(m_self),
                                 notification = std::move(notification), completion = std::move(completion)] {
        auto alive = self.lock();
        if (alive && *alive)
            (*alive)->deliverOnMainThread(notification, completion);
    });
}

Expected<unsigned> NSUserNotificationCenter::deliverNotificationNow(const NSUserNotification& notification,
                                                                   std::chrono::milliseconds patience)
{
    // The daemon's answer comes on a context of our own, turned only here.
    GMainContext* context = g_main_context_new();
    g_main_context_push_thread_default(context);
    std::optional<Expected<unsigned>> shown;
    auto answered = std::make_shared<std::optional<Expected<unsigned>>*>(&shown);
    deliverOnMainThread(notification, [answered](const Expected<unsigned>& outcome) {
        if (*answered)
            **answered = outcome;
    });
    bool late = false;
    GSource* timeout = g_timeout_source_new(static_cast<guint>(patience.count()));
    g_source_set_callback(timeout, [](gpointer flag) -> gboolean {
        *static_cast<bool*>(flag) = true;
        return G_SOURCE_REMOVE;
    }, &late, nullptr);
    g_source_attach(timeout, context);
    while (!shown && !late)
        g_main_context_iteration(context, TRUE);
    g_source_destroy(timeout);
    g_source_unref(timeout);
    // An answer after this finds nothing to fill.
    *answered = nullptr;
    g_main_context_pop_thread_default(context);
    g_main_context_unref(context);
    if (!shown)
        return Error::message("the notification daemon did not answer in time");
    return *shown;
}

void NSUserNotificationCenter::deliverOnMainThread(const NSUserNotification& notification, Completion completion)
{
    if (!m_bus) {
        auto bus = SessionBus::connection();
        if (!bus) {
            if (completion)
                completion(bus.error());
            return;
        }
        m_bus = *bus;
    }
    GVariantBuilder hints;
    g_variant_builder_init(&hints, G_VARIANT_TYPE("a{sv}"));
    g_variant_builder_add(&hints, "{sv}", "desktop-entry", g_variant_new_string(m_desktopEntry.c_str()));
    // The daemon may read markup in the body; the texts are plain.
    gchar* body = g_markup_escape_text(notification.informativeText.c_str(), -1);
    // "default" is a click on the notification itself, "open" its button.
    // The default action goes without a label: daemons that draw a button
    // for every labelled action (xfce4-notifyd) would show two alike.
    std::vector<const char*> actions;
    if (!notification.actionButtonTitle.empty())
        actions = {"default", "", "open", notification.actionButtonTitle.c_str()};
    actions.push_back(nullptr);
    GVariant* parameters = g_variant_new("(susss^as@a{sv}i)", m_applicationName.c_str(), 0u, m_desktopEntry.c_str(),
                                         notification.title.c_str(), body, actions.data(),
                                         g_variant_builder_end(&hints), -1);
    g_free(body);
    // The daemon may be started by the bus on first use, as desktops do.
    g_dbus_connection_call(m_bus, kDaemon, kPath, kDaemon, "Notify", parameters, G_VARIANT_TYPE("(u)"),
        G_DBUS_CALL_FLAGS_NONE, -1, nullptr,
        [](GObject* source, GAsyncResult* result, gpointer data) {
            std::unique_ptr<Delivery> delivery(static_cast<Delivery*>(data));
            GError* error = nullptr;
            GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
            if (!reply) {
                Error failure = Error::message(std::string("no notification daemon answered: ") + error->message);
                g_clear_error(&error);
                if (delivery->completion)
                    delivery->completion(failure);
                return;
            }
            guint32 id = 0;
            g_variant_get(reply, "(u)", &id);
            g_variant_unref(reply);
            if (auto alive = delivery->center.lock(); alive && *alive)
                (*alive)->delivered(id, delivery->notification);
            if (delivery->completion)
                delivery->completion(Expected<unsigned>(id));
        },
        new Delivery{m_self, notification, std::move(completion)});
}

void NSUserNotificationCenter::setActivationHandler(ActivationHandler handler)
{
    m_activation = std::move(handler);
}

void NSUserNotificationCenter::delivered(unsigned id, const NSUserNotification& notification)
{
    if (notification.actionButtonTitle.empty())
        return;
    listenForClicks();
    m_withButton[id] = notification;
}

void NSUserNotificationCenter::listenForClicks()
{
    if (m_clicks)
        return;
    // Signals of the daemon only (the sender is the name's owner), delivered
    // on the main context this runs on. A closed notification's click can no
    // longer come, so its entry goes with the daemon's NotificationClosed.
    m_clicks = g_dbus_connection_signal_subscribe(m_bus, kDaemon, kDaemon, nullptr, kPath, nullptr,
        G_DBUS_SIGNAL_FLAGS_NONE,
        [](GDBusConnection*, const char*, const char*, const char*, const char* signal, GVariant* parameters,
           gpointer data) {
            auto alive = static_cast<Self*>(data)->lock();
            if (!alive || !*alive)
                return;
            const std::string name = signal;
            if (name == "ActionInvoked" && g_variant_is_of_type(parameters, G_VARIANT_TYPE("(us)"))) {
                guint32 id = 0;
                g_variant_get(parameters, "(u&s)", &id, nullptr);
                (*alive)->actionInvoked(id);
            } else if (name == "NotificationClosed" && g_variant_is_of_type(parameters, G_VARIANT_TYPE("(uu)"))) {
                guint32 id = 0;
                g_variant_get(parameters, "(uu)", &id, nullptr);
                (*alive)->m_withButton.erase(id);
            }
        },
        new Self(m_self), [](gpointer data) { delete static_cast<Self*>(data); });
}

void NSUserNotificationCenter::actionInvoked(unsigned id)
{
    auto found = m_withButton.find(id);
    if (found == m_withButton.end())
        return;
    NSUserNotification notification = found->second;
    if (m_activation)
        m_activation(notification);
}
