#include "Platform/Foundation/NSUserNotificationCenter.h"

#include <gio/gio.h>

#include "Platform/Foundation/DispatchQueue.h"

namespace {
constexpr const char* kDaemon = "org.freedesktop.Notifications";
constexpr const char* kPath = "/org/freedesktop/Notifications";
}  // namespace

NSUserNotificationCenter::NSUserNotificationCenter(std::string applicationName, std::string desktopEntry)
    : m_applicationName(std::move(applicationName))
    , m_desktopEntry(std::move(desktopEntry))
{
}

NSUserNotificationCenter::~NSUserNotificationCenter()
{
    *m_self = nullptr;
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

void NSUserNotificationCenter::deliverOnMainThread(const NSUserNotification& notification, Completion completion)
{
    GError* error = nullptr;
    if (!m_bus)
        m_bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
    if (!m_bus) {
        Error failure = Error::message(std::string("no session bus: ") + error->message);
        g_clear_error(&error);
        if (completion)
            completion(failure);
        return;
    }
    GVariantBuilder hints;
    g_variant_builder_init(&hints, G_VARIANT_TYPE("a{sv}"));
    g_variant_builder_add(&hints, "{sv}", "desktop-entry", g_variant_new_string(m_desktopEntry.c_str()));
    // The daemon may read markup in the body; the texts are plain.
    gchar* body = g_markup_escape_text(notification.informativeText.c_str(), -1);
    GVariant* parameters = g_variant_new("(susss@as@a{sv}i)", m_applicationName.c_str(), 0u, m_desktopEntry.c_str(),
                                         notification.title.c_str(), body, g_variant_new_strv(nullptr, 0),
                                         g_variant_builder_end(&hints), -1);
    g_free(body);
    // The daemon may be started by the bus on first use, as desktops do.
    g_dbus_connection_call(m_bus, kDaemon, kPath, kDaemon, "Notify", parameters, G_VARIANT_TYPE("(u)"),
        G_DBUS_CALL_FLAGS_NONE, -1, nullptr,
        [](GObject* source, GAsyncResult* result, gpointer data) {
            std::unique_ptr<Completion> completion(static_cast<Completion*>(data));
            GError* error = nullptr;
            GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
            if (!reply) {
                Error failure = Error::message(std::string("no notification daemon answered: ") + error->message);
                g_clear_error(&error);
                if (*completion)
                    (*completion)(failure);
                return;
            }
            guint32 id = 0;
            g_variant_get(reply, "(u)", &id);
            g_variant_unref(reply);
            if (*completion)
                (*completion)(Expected<unsigned>(id));
        },
        new Completion(std::move(completion)));
}
