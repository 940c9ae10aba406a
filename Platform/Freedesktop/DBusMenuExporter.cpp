#include "Platform/Freedesktop/DBusMenuExporter.h"

#include <gio/gio.h>

#include <string_view>

#include "Platform/AppKit/NSMenu.h"
#include "Platform/Foundation/DispatchQueue.h"

namespace {

constexpr const char* kInterface = "com.canonical.dbusmenu";
constexpr const char* kIntrospection = R"xml(<node><interface name="com.canonical.dbusmenu">
  <property name="Version" type="u" access="read"/>
  <property name="TextDirection" type="s" access="read"/>
  <property name="Status" type="s" access="read"/>
  <property name="IconThemePath" type="as" access="read"/>
  <method name="GetLayout"><arg type="i" direction="in"/><arg type="i" direction="in"/>
    <arg type="as" direction="in"/><arg type="u" direction="out"/><arg type="(ia{sv}av)" direction="out"/></method>
  <method name="GetGroupProperties"><arg type="ai" direction="in"/><arg type="as" direction="in"/>
    <arg type="a(ia{sv})" direction="out"/></method>
  <method name="GetProperty"><arg type="i" direction="in"/><arg type="s" direction="in"/>
    <arg type="v" direction="out"/></method>
  <method name="Event"><arg type="i" direction="in"/><arg type="s" direction="in"/><arg type="v" direction="in"/>
    <arg type="u" direction="in"/></method>
  <method name="EventGroup"><arg type="a(isvu)" direction="in"/><arg type="ai" direction="out"/></method>
  <method name="AboutToShow"><arg type="i" direction="in"/><arg type="b" direction="out"/></method>
  <method name="AboutToShowGroup"><arg type="ai" direction="in"/><arg type="ai" direction="out"/>
    <arg type="ai" direction="out"/></method>
  <signal name="ItemsPropertiesUpdated"><arg type="a(ia{sv})"/><arg type="a(ias)"/></signal>
  <signal name="LayoutUpdated"><arg type="u"/><arg type="i"/></signal>
  <signal name="ItemActivationRequested"><arg type="i"/><arg type="u"/></signal>
</interface></node>)xml";
// How long a panel that asked for the menu may take to say it opened it.
constexpr unsigned kOpenedWithinMilliseconds = 1000;

GDBusInterfaceInfo* interfaceInfo()
{
    static GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(kIntrospection, nullptr);
    return node->interfaces[0];
}

// An underscore marks a mnemonic in dbusmenu labels; a volume name's own is doubled.
std::string label(const std::string& title)
{
    std::string escaped;
    for (char c : title) {
        if (c == '_')
            escaped += '_';
        escaped += c;
    }
    return escaped;
}

std::vector<std::string> strings(GVariant* array)
{
    std::vector<std::string> out;
    GVariantIter iter;
    const char* value = nullptr;
    g_variant_iter_init(&iter, array);
    while (g_variant_iter_next(&iter, "&s", &value))
        out.emplace_back(value);
    return out;
}

bool wanted(const std::vector<std::string>& names, const char* name)
{
    if (names.empty())
        return true;
    for (const auto& each : names) {
        if (each == name)
            return true;
    }
    return false;
}

}  // namespace

DBusMenuExporter::DBusMenuExporter(GDBusConnection* connection, std::string objectPath)
    : m_connection(G_DBUS_CONNECTION(g_object_ref(connection)))
    , m_path(std::move(objectPath))
{
    static const GDBusInterfaceVTable vtable = {
        [](GDBusConnection*, const char*, const char*, const char*, const char* method, GVariant* parameters,
           GDBusMethodInvocation* invocation, gpointer self) {
            static_cast<DBusMenuExporter*>(self)->call(method, parameters, invocation);
        },
        [](GDBusConnection*, const char*, const char*, const char*, const char* name, GError**, gpointer) -> GVariant* {
            const std::string property = name;
            if (property == "Version")
                return g_variant_new_uint32(3);
            if (property == "TextDirection")
                return g_variant_new_string("ltr");
            if (property == "Status")
                return g_variant_new_string("normal");
            return g_variant_new_strv(nullptr, 0);
        },
        nullptr, {}};
    m_registration = g_dbus_connection_register_object(m_connection, m_path.c_str(), interfaceInfo(), &vtable, this,
                                                       nullptr, nullptr);
}

DBusMenuExporter::~DBusMenuExporter()
{
    *m_self = nullptr;
    if (m_hostWatch)
        g_bus_unwatch_name(m_hostWatch);
    if (m_registration)
        g_dbus_connection_unregister_object(m_connection, m_registration);
    g_object_unref(m_connection);
}

void DBusMenuExporter::setMenu(const std::shared_ptr<NSMenu>& menu)
{
    m_menu = menu;
    menuChanged();
}

void DBusMenuExporter::menuChanged()
{
    scheduleLayoutUpdate();
}

void DBusMenuExporter::updateRevision()
{
    GVariant* whole = g_variant_ref_sink(layout(0, -1, {}));
    gchar* printed = g_variant_print(whole, false);
    g_variant_unref(whole);
    if (m_layout != printed) {
        m_layout = printed;
        ++m_revision;
    }
    g_free(printed);
}

void DBusMenuExporter::menuClosed()
{
    m_awaitingOpened = false;
}

void DBusMenuExporter::scheduleLayoutUpdate()
{
    // A rebuild changes the menu item by item; the panel hears of it once.
    if (m_updateScheduled)
        return;
    m_updateScheduled = true;
    DispatchQueue::main().async([self = std::weak_ptr<DBusMenuExporter*>(m_self)] {
        auto alive = self.lock();
        if (!alive || !*alive)
            return;
        DBusMenuExporter& exporter = **alive;
        exporter.m_updateScheduled = false;
        exporter.updateRevision();
        if (exporter.m_revision == exporter.m_announced)
            return;
        exporter.m_announced = exporter.m_revision;
        g_dbus_connection_emit_signal(exporter.m_connection, nullptr, exporter.m_path.c_str(), kInterface,
                                      "LayoutUpdated", g_variant_new("(ui)", exporter.m_revision, 0), nullptr);
    });
}

int DBusMenuExporter::idOf(const std::shared_ptr<NSMenuItem>& item)
{
    for (const auto& entry : m_ids) {
        if (entry.item.lock() == item)
            return entry.id;
    }
    for (auto& entry : m_ids) {
        if (entry.item.expired() && entry.title == item->title() && entry.separator == item->isSeparatorItem()) {
            entry.item = item;
            return entry.id;
        }
    }
    m_ids.push_back({item, m_nextId, item->title(), item->isSeparatorItem()});
    return m_nextId++;
}

std::shared_ptr<NSMenuItem> DBusMenuExporter::itemWith(int id) const
{
    for (const auto& entry : m_ids) {
        if (entry.id == id)
            return entry.item.lock();
    }
    return nullptr;
}

GVariant* DBusMenuExporter::properties(int id, const std::vector<std::string>& names)
{
    GVariantBuilder builder;
    g_variant_builder_init(&builder, G_VARIANT_TYPE("a{sv}"));
    auto add = [&](const char* name, GVariant* value) {
        if (wanted(names, name))
            g_variant_builder_add(&builder, "{sv}", name, value);
        else
            g_variant_unref(g_variant_ref_sink(value));
    };
    if (id == 0) {
        add("children-display", g_variant_new_string("submenu"));
        return g_variant_builder_end(&builder);
    }
    auto item = itemWith(id);
    if (!item)
        return g_variant_builder_end(&builder);
    if (item->isSeparatorItem()) {
        add("type", g_variant_new_string("separator"));
        return g_variant_builder_end(&builder);
    }
    add("label", g_variant_new_string(label(item->title()).c_str()));
    if (!item->isEnabled())
        add("enabled", g_variant_new_boolean(false));
    // An item in the on state without an on-state image shows no mark at all.
    if (item->state() == NSControlStateValue::on && item->onStateImage()) {
        add("toggle-type", g_variant_new_string("checkmark"));
        add("toggle-state", g_variant_new_int32(1));
    }
    return g_variant_builder_end(&builder);
}

GVariant* DBusMenuExporter::layout(int id, int depth, const std::vector<std::string>& names)
{
    GVariantBuilder children;
    g_variant_builder_init(&children, G_VARIANT_TYPE("av"));
    auto menu = m_menu.lock();
    if (id == 0 && menu && depth != 0) {
        for (const auto& item : menu->items())
            g_variant_builder_add(&children, "v", layout(idOf(item), depth - 1, names));
        std::erase_if(m_ids, [](const Entry& entry) { return entry.item.expired(); });
    }
    return g_variant_new("(i@a{sv}av)", id, properties(id, names), &children);
}

bool DBusMenuExporter::openForShowing(int id, const char* sender)
{
    auto menu = m_menu.lock();
    if (id != 0 || !menu || menu->isOpen())
        return false;
    const unsigned before = m_revision;
    watchHost(sender);
    if (!menu->open())
        return false;
    updateRevision();
    m_awaitingOpened = true;
    DispatchQueue::main().asyncAfter(kOpenedWithinMilliseconds / 1000.0,
                                     [self = std::weak_ptr<DBusMenuExporter*>(m_self)] {
        auto alive = self.lock();
        if (!alive || !*alive || !(*alive)->m_awaitingOpened)
            return;
        (*alive)->m_awaitingOpened = false;
        if (auto shown = (*alive)->m_menu.lock())
            shown->close();
    });
    return m_revision != before;
}

bool DBusMenuExporter::takeEvent(int id, const std::string& name, const char* sender)
{
    auto menu = m_menu.lock();
    if (!menu)
        return false;
    if (id == 0) {
        if (name == "opened") {
            watchHost(sender);
            m_awaitingOpened = false;
            if (!menu->isOpen())
                menu->open();
        } else if (name == "closed") {
            menu->close();
        }
        return true;
    }
    auto item = itemWith(id);
    if (!item)
        return false;
    if (name == "clicked") {
        // After the reply: the action may run a mount for seconds.
        DispatchQueue::main().async([weakMenu = m_menu, weakItem = std::weak_ptr<NSMenuItem>(item)] {
            auto shown = weakMenu.lock();
            auto chosen = weakItem.lock();
            if (shown && chosen)
                shown->choose(chosen);
        });
    }
    return true;
}

void DBusMenuExporter::watchHost(const char* sender)
{
    // A panel that quits with the menu open never says it closed it.
    if (!sender || m_host == sender)
        return;
    if (m_hostWatch)
        g_bus_unwatch_name(m_hostWatch);
    m_host = sender;
    m_hostWatch = g_bus_watch_name_on_connection(m_connection, sender, G_BUS_NAME_WATCHER_FLAGS_NONE, nullptr,
        [](GDBusConnection*, const char*, gpointer self) {
            auto* exporter = static_cast<DBusMenuExporter*>(self);
            exporter->m_host.clear();
            if (auto menu = exporter->m_menu.lock())
                menu->close();
        }, this, nullptr);
}

void DBusMenuExporter::call(const std::string& method, GVariant* parameters, GDBusMethodInvocation* invocation)
{
    using Answer = void (DBusMenuExporter::*)(GVariant*, GDBusMethodInvocation*);
    static const std::pair<std::string_view, Answer> answers[] = {
        {"GetLayout", &DBusMenuExporter::getLayout},
        {"GetGroupProperties", &DBusMenuExporter::getGroupProperties},
        {"GetProperty", &DBusMenuExporter::getProperty},
        {"Event", &DBusMenuExporter::event},
        {"EventGroup", &DBusMenuExporter::eventGroup},
        {"AboutToShow", &DBusMenuExporter::aboutToShow},
        {"AboutToShowGroup", &DBusMenuExporter::aboutToShowGroup},
    };
    for (const auto& [name, answer] : answers) {
        if (name == method) {
            (this->*answer)(parameters, invocation);
            return;
        }
    }
    g_dbus_method_invocation_return_dbus_error(invocation, "org.freedesktop.DBus.Error.UnknownMethod", method.c_str());
}

void DBusMenuExporter::getLayout(GVariant* parameters, GDBusMethodInvocation* invocation)
{
    gint32 parent = 0, depth = -1;
    GVariant* names = nullptr;
    g_variant_get(parameters, "(ii@as)", &parent, &depth, &names);
    auto wantedNames = strings(names);
    g_variant_unref(names);
    if (parent != 0 && !itemWith(parent)) {
        g_dbus_method_invocation_return_dbus_error(invocation, "com.canonical.dbusmenu.UnknownId", "no such item");
        return;
    }
    // The revision goes with the layout it names, announced or not yet.
    updateRevision();
    g_dbus_method_invocation_return_value(invocation,
        g_variant_new("(u@(ia{sv}av))", m_revision, layout(parent, depth, wantedNames)));
}

void DBusMenuExporter::getGroupProperties(GVariant* parameters, GDBusMethodInvocation* invocation)
{
    GVariant* ids = nullptr;
    GVariant* names = nullptr;
    g_variant_get(parameters, "(@ai@as)", &ids, &names);
    auto wantedNames = strings(names);
    GVariantBuilder result;
    g_variant_builder_init(&result, G_VARIANT_TYPE("a(ia{sv})"));
    GVariantIter iter;
    gint32 id = 0;
    g_variant_iter_init(&iter, ids);
    while (g_variant_iter_next(&iter, "i", &id)) {
        if (id == 0 || itemWith(id))
            g_variant_builder_add(&result, "(i@a{sv})", id, properties(id, wantedNames));
    }
    g_variant_unref(ids);
    g_variant_unref(names);
    g_dbus_method_invocation_return_value(invocation, g_variant_new("(@a(ia{sv}))", g_variant_builder_end(&result)));
}

void DBusMenuExporter::getProperty(GVariant* parameters, GDBusMethodInvocation* invocation)
{
    gint32 id = 0;
    const char* name = nullptr;
    g_variant_get(parameters, "(i&s)", &id, &name);
    GVariant* all = properties(id, {name});
    GVariant* value = g_variant_lookup_value(all, name, nullptr);
    g_variant_unref(g_variant_ref_sink(all));
    if (!value) {
        g_dbus_method_invocation_return_dbus_error(invocation, "com.canonical.dbusmenu.UnknownProperty", name);
        return;
    }
    g_dbus_method_invocation_return_value(invocation, g_variant_new("(v)", value));
    g_variant_unref(value);
}

void DBusMenuExporter::event(GVariant* parameters, GDBusMethodInvocation* invocation)
{
    const char* sender = g_dbus_method_invocation_get_sender(invocation);
    gint32 id = 0;
    const char* name = nullptr;
    g_variant_get(parameters, "(i&svu)", &id, &name, nullptr, nullptr);
    const std::string kind = name;
    g_dbus_method_invocation_return_value(invocation, nullptr);
    takeEvent(id, kind, sender);
}

void DBusMenuExporter::eventGroup(GVariant* parameters, GDBusMethodInvocation* invocation)
{
    const char* sender = g_dbus_method_invocation_get_sender(invocation);
    GVariantIter* events = nullptr;
    g_variant_get(parameters, "(a(isvu))", &events);
    GVariantBuilder errors;
    g_variant_builder_init(&errors, G_VARIANT_TYPE("ai"));
    gint32 id = 0;
    const char* name = nullptr;
    GVariant* data = nullptr;
    guint32 time = 0;
    std::vector<std::pair<int, std::string>> accepted;
    while (g_variant_iter_next(events, "(i&svu)", &id, &name, &data, &time)) {
        g_variant_unref(data);
        if (id == 0 || itemWith(id))
            accepted.emplace_back(id, name);
        else
            g_variant_builder_add(&errors, "i", id);
    }
    g_variant_iter_free(events);
    g_dbus_method_invocation_return_value(invocation, g_variant_new("(@ai)", g_variant_builder_end(&errors)));
    for (const auto& [each, what] : accepted)
        takeEvent(each, what, sender);
}

void DBusMenuExporter::aboutToShow(GVariant* parameters, GDBusMethodInvocation* invocation)
{
    gint32 id = 0;
    g_variant_get(parameters, "(i)", &id);
    g_dbus_method_invocation_return_value(invocation,
        g_variant_new("(b)", openForShowing(id, g_dbus_method_invocation_get_sender(invocation))));
}

void DBusMenuExporter::aboutToShowGroup(GVariant* parameters, GDBusMethodInvocation* invocation)
{
    const char* sender = g_dbus_method_invocation_get_sender(invocation);
    GVariantIter* ids = nullptr;
    g_variant_get(parameters, "(ai)", &ids);
    GVariantBuilder updates, errors;
    g_variant_builder_init(&updates, G_VARIANT_TYPE("ai"));
    g_variant_builder_init(&errors, G_VARIANT_TYPE("ai"));
    gint32 id = 0;
    while (g_variant_iter_next(ids, "i", &id)) {
        if (id != 0 && !itemWith(id))
            g_variant_builder_add(&errors, "i", id);
        else if (openForShowing(id, sender))
            g_variant_builder_add(&updates, "i", id);
    }
    g_variant_iter_free(ids);
    g_dbus_method_invocation_return_value(invocation, g_variant_new("(@ai@ai)", g_variant_builder_end(&updates),
                                                                    g_variant_builder_end(&errors)));
}
