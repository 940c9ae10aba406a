#include "Platform/Foundation/SessionBus.h"

#include <gio/gio.h>

#include <string>

Expected<GDBusConnection*> SessionBus::connection()
{
    GError* error = nullptr;
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
    if (bus)
        return bus;
    Error failure = Error::message(std::string("no session bus: ") + (error ? error->message : "no reason given"));
    g_clear_error(&error);
    return failure;
}
