#include "Platform/Freedesktop/StatusNotifierItem.h"

#include <gio/gio.h>
#include <png.h>
#include <unistd.h>

#include <filesystem>

#include "Platform/AppKit/NSImage.h"
#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/Foundation/NSBundle.h"

namespace {

constexpr const char* kItemPath = "/StatusNotifierItem";
constexpr const char* kMenuPath = "/MenuBar";
constexpr const char* kWatcher = "org.kde.StatusNotifierWatcher";
constexpr const char* kIntrospection = R"xml(<node><interface name="org.kde.StatusNotifierItem">
  <property name="Category" type="s" access="read"/>
  <property name="Id" type="s" access="read"/>
  <property name="Title" type="s" access="read"/>
  <property name="Status" type="s" access="read"/>
  <property name="WindowId" type="i" access="read"/>
  <property name="IconName" type="s" access="read"/>
  <property name="IconThemePath" type="s" access="read"/>
  <property name="IconPixmap" type="a(iiay)" access="read"/>
  <property name="OverlayIconName" type="s" access="read"/>
  <property name="OverlayIconPixmap" type="a(iiay)" access="read"/>
  <property name="AttentionIconName" type="s" access="read"/>
  <property name="AttentionIconPixmap" type="a(iiay)" access="read"/>
  <property name="AttentionMovieName" type="s" access="read"/>
  <property name="ToolTip" type="(sa(iiay)ss)" access="read"/>
  <property name="ItemIsMenu" type="b" access="read"/>
  <property name="Menu" type="o" access="read"/>
  <method name="ContextMenu"><arg type="i" direction="in"/><arg type="i" direction="in"/></method>
  <method name="Activate"><arg type="i" direction="in"/><arg type="i" direction="in"/></method>
  <method name="SecondaryActivate"><arg type="i" direction="in"/><arg type="i" direction="in"/></method>
  <method name="Scroll"><arg type="i" direction="in"/><arg type="s" direction="in"/></method>
  <signal name="NewTitle"/><signal name="NewIcon"/><signal name="NewAttentionIcon"/>
  <signal name="NewOverlayIcon"/><signal name="NewToolTip"/><signal name="NewStatus"><arg type="s"/></signal>
</interface></node>)xml";
// The watcher takes its name a moment before it serves its object.
constexpr int kRegisterAttempts = 10;
constexpr double kRetrySeconds = 0.25;

GDBusInterfaceInfo* interfaceInfo()
{
    static GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(kIntrospection, nullptr);
    return node->interfaces[0];
}

std::string applicationName()
{
    auto bundle = NSBundle::main();
    auto* name = bundle ? bundle->objectForInfoDictionaryKey("CFBundleName") : nullptr;
    return name && name->string() ? *name->string() : "Parvex";
}

// One PNG as the ARGB32 pixels in network byte order that the protocol carries.
GVariant* pixmap(const std::string& path)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return nullptr;
    image.format = PNG_FORMAT_ARGB;
    std::vector<unsigned char> pixels(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
        png_image_free(&image);
        return nullptr;
    }
    GVariant* bytes = g_variant_new_fixed_array(G_VARIANT_TYPE_BYTE, pixels.data(), pixels.size(), 1);
    return g_variant_new("(ii@ay)", static_cast<gint32>(image.width), static_cast<gint32>(image.height), bytes);
}

GVariant* noPixmaps()
{
    return g_variant_new_array(G_VARIANT_TYPE("(iiay)"), nullptr, 0);
}

}  // namespace

StatusNotifierItem::StatusNotifierItem(GDBusConnection* connection, Registered registered, MenuRequested menuRequested)
    : m_connection(G_DBUS_CONNECTION(g_object_ref(connection)))
    , m_registered(std::move(registered))
    , m_menuRequested(std::move(menuRequested))
    , m_busName("org.kde.StatusNotifierItem-" + std::to_string(::getpid()) + "-1")
    , m_menu(connection, kMenuPath)
{
    static const GDBusInterfaceVTable vtable = {
        [](GDBusConnection*, const char*, const char*, const char*, const char* method, GVariant*,
           GDBusMethodInvocation* invocation, gpointer self) {
            static_cast<StatusNotifierItem*>(self)->call(method, invocation);
        },
        [](GDBusConnection*, const char*, const char*, const char*, const char* name, GError**,
           gpointer self) -> GVariant* { return static_cast<StatusNotifierItem*>(self)->property(name); },
        nullptr, {}};
    m_registration = g_dbus_connection_register_object(m_connection, kItemPath, interfaceInfo(), &vtable, this,
                                                       nullptr, nullptr);
    m_nameOwner = g_bus_own_name_on_connection(m_connection, m_busName.c_str(), G_BUS_NAME_OWNER_FLAGS_NONE,
        [](GDBusConnection*, const char*, gpointer self) {
            static_cast<StatusNotifierItem*>(self)->registerWithWatcher(1);
        },
        [](GDBusConnection*, const char* name, gpointer self) {
            auto* item = static_cast<StatusNotifierItem*>(self);
            if (item->m_registered)
                item->m_registered(Error::message(std::string("the session bus did not give us the name ") + name));
        },
        this, nullptr);
}

StatusNotifierItem::~StatusNotifierItem()
{
    *m_self = nullptr;
    g_bus_unown_name(m_nameOwner);
    if (m_registration)
        g_dbus_connection_unregister_object(m_connection, m_registration);
    g_object_unref(m_connection);
}

void StatusNotifierItem::registerWithWatcher(int attempt)
{
    struct Call {
        std::weak_ptr<StatusNotifierItem*> item;
        int attempt;
    };
    g_dbus_connection_call(m_connection, kWatcher, "/StatusNotifierWatcher", kWatcher, "RegisterStatusNotifierItem",
        g_variant_new("(s)", m_busName.c_str()), nullptr, G_DBUS_CALL_FLAGS_NONE, -1, nullptr,
        [](GObject* source, GAsyncResult* result, gpointer data) {
            std::unique_ptr<Call> call(static_cast<Call*>(data));
            GError* error = nullptr;
            GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
            Expected<void> registered;
            if (reply)
                g_variant_unref(reply);
            else
                registered = Error::message(std::string("the StatusNotifierWatcher did not take the item: ") + error->message);
            g_clear_error(&error);
            auto alive = call->item.lock();
            if (!alive || !*alive)
                return;
            StatusNotifierItem& item = **alive;
            if (!reply && call->attempt < kRegisterAttempts) {
                DispatchQueue::main().asyncAfter(kRetrySeconds, [weak = call->item, next = call->attempt + 1] {
                    auto again = weak.lock();
                    if (again && *again)
                        (*again)->registerWithWatcher(next);
                });
                return;
            }
            if (item.m_registered)
                item.m_registered(registered);
        },
        new Call{m_self, attempt});
}

void StatusNotifierItem::call(const std::string& method, GDBusMethodInvocation* invocation)
{
    // Clicks open the menu in the panel itself (ItemIsMenu). A panel that
    // sends Activate all the same, or wants a context menu drawn, gets it from
    // us; the middle button and the wheel do nothing.
    g_dbus_method_invocation_return_value(invocation, nullptr);
    if ((method == "Activate" || method == "ContextMenu") && m_menuRequested)
        m_menuRequested();
}

void StatusNotifierItem::setImage(const std::shared_ptr<NSImage>& image)
{
    m_image = image;
    g_dbus_connection_emit_signal(m_connection, nullptr, kItemPath, "org.kde.StatusNotifierItem", "NewIcon", nullptr,
                                  nullptr);
}

GVariant* StatusNotifierItem::property(const std::string& name) const
{
    if (name == "Category")
        return g_variant_new_string("Hardware");
    if (name == "Id" || name == "Title")
        return g_variant_new_string(applicationName().c_str());
    if (name == "Status")
        return g_variant_new_string("Active");
    if (name == "WindowId")
        return g_variant_new_int32(0);
    // The icon by name from the bundle's resources: one that reads on light
    // and dark panels alike, since many panels draw icons as they are. A panel
    // that draws icons in its own colours asks for "<name>-symbolic" and finds
    // the symbolic form beside it. The pixels are for panels that read no
    // icon files.
    const std::string folder = m_image && !m_image->representations().empty()
        ? std::filesystem::path(m_image->representations().front().path).parent_path().string()
        : std::string();
    if (name == "IconName")
        return g_variant_new_string(folder.empty() ? "" : m_image->name().c_str());
    if (name == "IconThemePath")
        return g_variant_new_string(folder.c_str());
    if (name == "IconPixmap") {
        GVariantBuilder pixmaps;
        g_variant_builder_init(&pixmaps, G_VARIANT_TYPE("a(iiay)"));
        if (m_image) {
            for (const auto& representation : m_image->representations()) {
                if (GVariant* each = pixmap(representation.path))
                    g_variant_builder_add_value(&pixmaps, each);
            }
        }
        return g_variant_builder_end(&pixmaps);
    }
    if (name == "OverlayIconPixmap" || name == "AttentionIconPixmap")
        return noPixmaps();
    if (name == "ToolTip")
        return g_variant_new("(s@a(iiay)ss)", "", noPixmaps(), applicationName().c_str(), "");
    if (name == "ItemIsMenu")
        return g_variant_new_boolean(true);
    if (name == "Menu")
        return g_variant_new_object_path(kMenuPath);
    return g_variant_new_string("");
}
