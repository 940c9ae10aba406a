#include "Platform/AppKit/ApplicationInstance.h"

#include <gio/gio.h>

#include <cstdio>

ApplicationInstance::ApplicationInstance(const std::string& identifier, std::function<void()> reopened)
    : m_reopened(std::move(reopened))
{
    if (g_application_id_is_valid(identifier.c_str()))
        m_application = g_application_new(identifier.c_str(), static_cast<GApplicationFlags>(0));
    if (m_application)
        g_signal_connect(m_application, "activate", G_CALLBACK(+[](GApplication*, gpointer self) {
            auto& reopened = static_cast<ApplicationInstance*>(self)->m_reopened;
            if (reopened)
                reopened();
        }), this);
}

ApplicationInstance::~ApplicationInstance()
{
    if (m_application) {
        g_signal_handlers_disconnect_by_data(m_application, this);
        g_object_unref(m_application);
    }
}

ApplicationInstance::Role ApplicationInstance::claim()
{
    if (!m_application)
        return Role::alone;
    GError* error = nullptr;
    if (!g_application_register(m_application, nullptr, &error)) {
        // Runs on as the only copy; say why, since a second window may follow.
        std::fprintf(stderr, "could not learn from the session bus whether a copy runs already: %s\n",
                     error ? error->message : "no reason given");
        g_clear_error(&error);
        return Role::alone;
    }
    if (!g_application_get_is_remote(m_application))
        return Role::primary;
    g_application_activate(m_application);
    // The request must be on its way before this copy leaves.
    if (GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr)) {
        g_dbus_connection_flush_sync(bus, nullptr, nullptr);
        g_object_unref(bus);
    }
    return Role::secondary;
}
