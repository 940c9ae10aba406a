// A notification daemon for tests: owns org.freedesktop.Notifications on the
// session bus and appends each notification it is sent to a file, one line
// each: application, summary, body and the actions as "key=label" (joined by
// "|"), separated by tabs. SIGUSR1 clicks the last notification's button (its
// first action other than "default"), SIGUSR2 the notification itself (its
// "default" action), as a user would.
//   notification_daemon FILE
#include <gio/gio.h>
#include <glib-unix.h>

#include <csignal>

#include <cstdio>
#include <fstream>
#include <string>

namespace {

constexpr const char* kIntrospection = R"xml(<node><interface name="org.freedesktop.Notifications">
  <method name="Notify"><arg type="s" direction="in"/><arg type="u" direction="in"/><arg type="s" direction="in"/>
    <arg type="s" direction="in"/><arg type="s" direction="in"/><arg type="as" direction="in"/>
    <arg type="a{sv}" direction="in"/><arg type="i" direction="in"/><arg type="u" direction="out"/></method>
  <method name="GetCapabilities"><arg type="as" direction="out"/></method>
  <method name="GetServerInformation"><arg type="s" direction="out"/><arg type="s" direction="out"/>
    <arg type="s" direction="out"/><arg type="s" direction="out"/></method>
  <method name="CloseNotification"><arg type="u" direction="in"/></method>
  <signal name="ActionInvoked"><arg type="u"/><arg type="s"/></signal>
</interface></node>)xml";

std::string g_file;
guint32 g_next = 1;
GDBusConnection* g_connection = nullptr;
guint32 g_lastId = 0;
std::string g_lastButton;
bool g_lastHasDefault = false;

void invoke(const std::string& action)
{
    if (g_connection && !action.empty())
        g_dbus_connection_emit_signal(g_connection, nullptr, "/org/freedesktop/Notifications",
                                      "org.freedesktop.Notifications", "ActionInvoked",
                                      g_variant_new("(us)", g_lastId, action.c_str()), nullptr);
}

void methodCall(GDBusConnection*, const char*, const char*, const char*, const char* method, GVariant* parameters,
                GDBusMethodInvocation* invocation, gpointer)
{
    const std::string name = method;
    if (name == "Notify") {
        const char *application = nullptr, *summary = nullptr, *body = nullptr;
        const char** actions = nullptr;
        g_variant_get(parameters, "(&su&s&s&s^a&sa{sv}i)", &application, nullptr, nullptr, &summary, &body, &actions,
                      nullptr, nullptr);
        std::string labels;
        g_lastButton.clear();
        g_lastHasDefault = false;
        for (size_t i = 0; actions && actions[i] && actions[i + 1]; i += 2) {
            labels += (labels.empty() ? "" : "|") + std::string(actions[i]) + "=" + actions[i + 1];
            if (std::string(actions[i]) == "default")
                g_lastHasDefault = true;
            else if (g_lastButton.empty())
                g_lastButton = actions[i];
        }
        g_free(actions);
        std::ofstream(g_file, std::ios::app) << application << '\t' << summary << '\t' << body << '\t' << labels << '\n';
        g_lastId = g_next++;
        g_dbus_method_invocation_return_value(invocation, g_variant_new("(u)", g_lastId));
    } else if (name == "GetCapabilities") {
        const char* capabilities[] = {"body", "actions", nullptr};
        g_dbus_method_invocation_return_value(invocation, g_variant_new("(^as)", capabilities));
    } else if (name == "GetServerInformation") {
        g_dbus_method_invocation_return_value(invocation, g_variant_new("(ssss)", "stand-in", "parvex", "1", "1.2"));
    } else {
        g_dbus_method_invocation_return_value(invocation, nullptr);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: notification_daemon FILE\n");
        return 2;
    }
    g_file = argv[1];
    GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(kIntrospection, nullptr);
    static const GDBusInterfaceVTable vtable = {methodCall, nullptr, nullptr, {}};
    GMainLoop* loop = g_main_loop_new(nullptr, false);
    g_bus_own_name(G_BUS_TYPE_SESSION, "org.freedesktop.Notifications", G_BUS_NAME_OWNER_FLAGS_NONE,
        [](GDBusConnection* connection, const char*, gpointer info) {
            g_connection = connection;
            g_dbus_connection_register_object(connection, "/org/freedesktop/Notifications",
                                              static_cast<GDBusNodeInfo*>(info)->interfaces[0], &vtable, nullptr,
                                              nullptr, nullptr);
        },
        nullptr,
        [](GDBusConnection*, const char*, gpointer) {
            std::fprintf(stderr, "notification_daemon: cannot own the name\n");
            std::exit(1);
        },
        node, nullptr);
    g_unix_signal_add(SIGUSR1, [](gpointer) -> gboolean {
        invoke(g_lastButton);
        return G_SOURCE_CONTINUE;
    }, nullptr);
    g_unix_signal_add(SIGUSR2, [](gpointer) -> gboolean {
        invoke(g_lastHasDefault ? "default" : "");
        return G_SOURCE_CONTINUE;
    }, nullptr);
    g_main_loop_run(loop);
    return 0;
}
