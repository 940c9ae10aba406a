#include "Platform/Freedesktop/SettingsPortalAppearance.h"

#include <gio/gio.h>

#include "Platform/Foundation/SessionBus.h"

namespace {

// Read wraps the value in one more variant than ReadOne does.
GVariant* unwrap(GVariant* value)
{
    g_variant_ref(value);
    while (g_variant_is_of_type(value, G_VARIANT_TYPE_VARIANT)) {
        GVariant* inner = g_variant_get_variant(value);
        g_variant_unref(value);
        value = inner;
    }
    return value;
}

AppearanceSource::Preference preferenceOf(GVariant* wrapped)
{
    GVariant* value = unwrap(wrapped);
    auto preference = AppearanceSource::Preference::none;
    if (g_variant_is_of_type(value, G_VARIANT_TYPE_UINT32))
        preference = SettingsPortalAppearance::fromColorScheme(g_variant_get_uint32(value));
    else if (g_variant_is_of_type(value, G_VARIANT_TYPE_INT32))
        preference = SettingsPortalAppearance::fromColorScheme(static_cast<unsigned>(g_variant_get_int32(value)));
    g_variant_unref(value);
    return preference;
}

struct Call {
    std::weak_ptr<SettingsPortalAppearance*> owner;
    bool fallBack;
};

}  // namespace

SettingsPortalAppearance::SettingsPortalAppearance()
{
    auto bus = SessionBus::connection();
    if (!bus)
        return;
    m_bus = *bus;
    m_subscription = g_dbus_connection_signal_subscribe(
        m_bus, busName, interfaceName, "SettingChanged", objectPath, settingsNamespace, G_DBUS_SIGNAL_FLAGS_NONE,
        [](GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GVariant* parameters, gpointer data) {
            const gchar* space = nullptr;
            const gchar* key = nullptr;
            GVariant* value = nullptr;
            g_variant_get(parameters, "(&s&sv)", &space, &key, &value);
            if (g_strcmp0(key, colorSchemeKey) == 0)
                static_cast<SettingsPortalAppearance*>(data)->answered(preferenceOf(value));
            g_variant_unref(value);
        },
        this, nullptr);
    ask("ReadOne");
}

SettingsPortalAppearance::~SettingsPortalAppearance()
{
    if (m_bus) {
        if (m_subscription)
            g_dbus_connection_signal_unsubscribe(m_bus, m_subscription);
        g_object_unref(m_bus);
    }
}

AppearanceSource::Preference SettingsPortalAppearance::fromColorScheme(unsigned value)
{
    switch (value) {
    case 1: return Preference::dark;
    case 2: return Preference::light;
    default: return Preference::none;
    }
}

// Portals before version 2 of the interface know only Read.
void SettingsPortalAppearance::ask(const char* method)
{
    auto* call = new Call{m_alive, g_strcmp0(method, "ReadOne") == 0};
    g_dbus_connection_call(
        m_bus, busName, objectPath, interfaceName, method, g_variant_new("(ss)", settingsNamespace, colorSchemeKey),
        G_VARIANT_TYPE("(v)"), G_DBUS_CALL_FLAGS_NONE, -1, nullptr,
        [](GObject* source, GAsyncResult* result, gpointer data) {
            auto* call = static_cast<Call*>(data);
            GError* error = nullptr;
            GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
            auto owner = call->owner.lock();
            if (owner && reply) {
                GVariant* value = g_variant_get_child_value(reply, 0);
                (*owner)->answered(preferenceOf(value));
                g_variant_unref(value);
            } else if (owner && call->fallBack && g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_METHOD)) {
                (*owner)->ask("Read");
            }
            if (reply)
                g_variant_unref(reply);
            g_clear_error(&error);
            delete call;
        },
        call);
}

void SettingsPortalAppearance::answered(Preference preference)
{
    if (preference == m_preference)
        return;
    m_preference = preference;
    if (m_changed)
        m_changed();
}
