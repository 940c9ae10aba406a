// settings_portal FILE: stands in for the desktop's settings portal on the
// session bus, for the appearance setting only. The color-scheme is the
// number in FILE (0 none, 1 dark, 2 light); on SIGUSR1 it is read again and
// announced with SettingChanged, as the portal does when the user switches.
#include <gio/gio.h>
#include <glib-unix.h>

#include <fstream>
#include <string>

namespace {

constexpr const char* objectPath = "/org/freedesktop/portal/desktop";
constexpr const char* interfaceName = "org.freedesktop.portal.Settings";
constexpr const char* introspection = R"(<node><interface name="org.freedesktop.portal.Settings">
  <method name="ReadOne"><arg type="s" direction="in"/><arg type="s" direction="in"/><arg type="v" direction="out"/></method>
  <method name="Read"><arg type="s" direction="in"/><arg type="s" direction="in"/><arg type="v" direction="out"/></method>
  <signal name="SettingChanged"><arg type="s"/><arg type="s"/><arg type="v"/></signal>
  <property name="version" type="u" access="read"/>
</interface></node>)";

std::string file;
GDBusConnection* bus = nullptr;

guint32 colorScheme()
{
    std::ifstream in(file);
    unsigned value = 0;
    in >> value;
    return value;
}

void called(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* method, GVariant* parameters,
            GDBusMethodInvocation* invocation, gpointer)
{
    const gchar* space = nullptr;
    const gchar* key = nullptr;
    g_variant_get(parameters, "(&s&s)", &space, &key);
    if (g_strcmp0(space, "org.freedesktop.appearance") != 0 || g_strcmp0(key, "color-scheme") != 0) {
        g_dbus_method_invocation_return_dbus_error(invocation, "org.freedesktop.portal.Error.NotFound", "no such setting");
        return;
    }
    GVariant* value = g_variant_new_uint32(colorScheme());
    if (g_strcmp0(method, "Read") == 0)
        value = g_variant_new_variant(value);
    g_dbus_method_invocation_return_value(invocation, g_variant_new("(v)", value));
}

GVariant* property(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GError**, gpointer)
{
    return g_variant_new_uint32(2);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    file = argv[1];
    GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
    bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    if (!bus)
        return 1;
    GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(introspection, nullptr);
    static const GDBusInterfaceVTable table{called, property, nullptr, {}};
    g_dbus_connection_register_object(bus, objectPath, node->interfaces[0], &table, nullptr, nullptr, nullptr);
    g_bus_own_name_on_connection(bus, "org.freedesktop.portal.Desktop", G_BUS_NAME_OWNER_FLAGS_NONE, nullptr, nullptr,
                                 nullptr, nullptr);
    g_unix_signal_add(SIGUSR1, [](gpointer) -> gboolean {
        g_dbus_connection_emit_signal(bus, nullptr, objectPath, interfaceName, "SettingChanged",
                                      g_variant_new("(ssv)", "org.freedesktop.appearance", "color-scheme",
                                                    g_variant_new_uint32(colorScheme())),
                                      nullptr);
        return G_SOURCE_CONTINUE;
    }, nullptr);
    g_unix_signal_add(SIGTERM, [](gpointer loop) -> gboolean {
        g_main_loop_quit(static_cast<GMainLoop*>(loop));
        return G_SOURCE_REMOVE;
    }, loop);
    g_main_loop_run(loop);
    return 0;
}
