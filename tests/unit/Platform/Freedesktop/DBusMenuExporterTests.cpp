#include <gtest/gtest.h>

#include <gio/gio.h>
#include <sys/socket.h>

#include <memory>
#include <optional>
#include <string>

#include "Platform/AppKit/NSMenu.h"
#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/Freedesktop/DBusMenuExporter.h"

namespace {

constexpr const char* kPath = "/MenuBar";

// The exporter and a panel joined straight to each other, with no bus
// between: the panel's calls reach the exporter as a bus would bring them.
struct PeerToPeer {
    PeerToPeer()
    {
        int ends[2];
        EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends), 0);
        GIOStream* exporterEnd = G_IO_STREAM(g_socket_connection_factory_create_connection(g_socket_new_from_fd(ends[0], nullptr)));
        GIOStream* panelEnd = G_IO_STREAM(g_socket_connection_factory_create_connection(g_socket_new_from_fd(ends[1], nullptr)));
        gchar* guid = g_dbus_generate_guid();
        // The server's half of the handshake runs on a thread of GIO's while
        // the client's blocks here.
        g_dbus_connection_new(exporterEnd, guid, G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_SERVER, nullptr, nullptr,
            [](GObject*, GAsyncResult* result, gpointer self) {
                static_cast<PeerToPeer*>(self)->exporter = g_dbus_connection_new_finish(result, nullptr);
            },
            this);
        panel = g_dbus_connection_new_sync(panelEnd, nullptr, G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT, nullptr,
                                           nullptr, nullptr);
        RunLoop::main().runUntil([this] { return exporter != nullptr; }, 10);
        g_free(guid);
        g_object_unref(exporterEnd);
        g_object_unref(panelEnd);
    }
    ~PeerToPeer()
    {
        for (GDBusConnection* end : {exporter, panel}) {
            if (end) {
                g_dbus_connection_close_sync(end, nullptr, nullptr);
                g_object_unref(end);
            }
        }
    }

    // The reply printed, or the D-Bus error's name.
    std::string ask(const char* method, GVariant* parameters)
    {
        std::optional<std::string> answer;
        g_dbus_connection_call(panel, nullptr, kPath, "com.canonical.dbusmenu", method, parameters, nullptr,
            G_DBUS_CALL_FLAGS_NONE, -1, nullptr,
            [](GObject* source, GAsyncResult* result, gpointer out) {
                GError* error = nullptr;
                GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
                auto& answer = *static_cast<std::optional<std::string>*>(out);
                if (reply) {
                    gchar* printed = g_variant_print(reply, false);
                    answer = printed;
                    g_free(printed);
                    g_variant_unref(reply);
                } else {
                    gchar* name = g_dbus_error_get_remote_error(error);
                    answer = name ? name : error->message;
                    g_free(name);
                    g_error_free(error);
                }
            },
            &answer);
        EXPECT_TRUE(RunLoop::main().runUntil([&] { return answer.has_value(); }, 10)) << method;
        return answer.value_or("no answer");
    }

    GDBusConnection* exporter = nullptr;
    GDBusConnection* panel = nullptr;
};

// Rebuilds the menu as it opens, as the menu-bar app's delegate does.
struct AddingDelegate : NSMenuDelegate {
    void menuNeedsUpdate(NSMenu& menu) override
    {
        if (menu.numberOfItems() == 3)
            menu.addItem(std::make_shared<NSMenuItem>("Quit", [](NSMenuItem&) {}));
    }
};

}  // namespace

TEST(DBusMenuExporter, AnswersEveryMethodOfTheInterface)
{
    PeerToPeer peers;
    ASSERT_TRUE(peers.exporter && peers.panel);
    int ejected = 0;
    auto menu = std::make_shared<NSMenu>();
    auto delegate = std::make_shared<AddingDelegate>();
    menu->setDelegate(delegate);
    menu->addItem(std::make_shared<NSMenuItem>("Eject_A", [&](NSMenuItem&) { ++ejected; }));
    menu->addItem(std::make_shared<NSMenuItem>("No action"));
    menu->addItem(NSMenuItem::separatorItem());
    DBusMenuExporter exporter(peers.exporter, kPath);
    exporter.setMenu(menu);

    const char* noNames[] = {nullptr};
    EXPECT_EQ(peers.ask("GetLayout", g_variant_new("(ii^as)", 0, -1, noNames)),
              "(2, (0, {'children-display': <'submenu'>}, [<(1, {'label': <'Eject__A'>}, @av [])>, "
              "<(2, {'label': <'No action'>, 'enabled': <false>}, @av [])>, <(3, {'type': <'separator'>}, @av [])>]))");
    EXPECT_EQ(peers.ask("GetLayout", g_variant_new("(ii^as)", 7, -1, noNames)), "com.canonical.dbusmenu.UnknownId");

    const char* label[] = {"label", nullptr};
    EXPECT_EQ(peers.ask("GetGroupProperties", g_variant_new("(@ai^as)", g_variant_new_parsed("[2, 7, 1]"), label)),
              "([(2, {'label': <'No action'>}), (1, {'label': <'Eject__A'>})],)");
    EXPECT_EQ(peers.ask("GetProperty", g_variant_new("(is)", 2, "enabled")), "(<false>,)");
    EXPECT_EQ(peers.ask("GetProperty", g_variant_new("(is)", 1, "enabled")), "com.canonical.dbusmenu.UnknownProperty");

    // Opening rebuilds the menu: the panel hears that the layout changed.
    EXPECT_EQ(peers.ask("AboutToShow", g_variant_new("(i)", 0)), "(true,)");
    EXPECT_TRUE(menu->isOpen());
    EXPECT_EQ(peers.ask("Event", g_variant_new("(isvu)", 0, "closed", g_variant_new_string(""), 0u)), "()");
    EXPECT_FALSE(menu->isOpen());
    EXPECT_EQ(peers.ask("AboutToShowGroup", g_variant_new("(@ai)", g_variant_new_parsed("[0, 9]"))),
              "([], [9])");
    EXPECT_TRUE(menu->isOpen());

    // A click is taken after the answer; an id the menu lacks comes back.
    EXPECT_EQ(peers.ask("EventGroup", g_variant_new_parsed("([(1, 'clicked', <''>, uint32 0), (8, 'clicked', <''>, 0)],)")),
              "([8],)");
    EXPECT_TRUE(RunLoop::main().runUntil([&] { return ejected == 1; }, 5));
    EXPECT_FALSE(menu->isOpen());

    EXPECT_EQ(peers.ask("Unknown", g_variant_new("()")), "org.freedesktop.DBus.Error.UnknownMethod");
}
