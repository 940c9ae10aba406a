#include "Platform/Freedesktop/ApplicationInstance.h"

#include <gio/gio.h>

#include <cstdio>
#include <memory>

#include "Platform/Foundation/SessionBus.h"

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
    if (auto bus = SessionBus::connection()) {
        g_dbus_connection_flush_sync(*bus, nullptr, nullptr);
        g_object_unref(*bus);
    }
    return Role::secondary;
}

void ApplicationInstance::reopen(const std::string& identifier, Asked done)
{
    auto connection = SessionBus::connection();
    if (!connection) {
        if (done)
            done(connection.error());
        return;
    }
    GDBusConnection* bus = *connection;
    // The object path GApplication derives from the identifier.
    gchar* path = g_strconcat("/", identifier.c_str(), nullptr);
    for (gchar* at = path; *at; ++at) {
        if (*at == '.')
            *at = '/';
        else if (*at == '-')
            *at = '_';
    }
    GVariantBuilder platformData;
    g_variant_builder_init(&platformData, G_VARIANT_TYPE("a{sv}"));
    // Never started by the bus: only a copy that runs is asked.
    g_dbus_connection_call(bus, identifier.c_str(), path, "org.freedesktop.Application", "Activate",
        g_variant_new("(a{sv})", &platformData), nullptr, G_DBUS_CALL_FLAGS_NO_AUTO_START, -1, nullptr,
        [](GObject* source, GAsyncResult* result, gpointer data) {
            std::unique_ptr<Asked> done(static_cast<Asked*>(data));
            GError* error = nullptr;
            GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
            Expected<void> asked;
            if (reply)
                g_variant_unref(reply);
            else
                asked = Error::message(std::string("no running copy answered: ") + error->message);
            g_clear_error(&error);
            if (*done)
                (*done)(asked);
        },
        new Asked(std::move(done)));
    g_free(path);
    g_object_unref(bus);
}
