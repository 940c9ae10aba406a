#pragma once

#include <functional>
#include <memory>
#include <string>

#include "Platform/Foundation/Expected.h"
#include "Platform/Freedesktop/DBusMenuExporter.h"

typedef struct _GDBusConnection GDBusConnection;
typedef struct _GDBusMethodInvocation GDBusMethodInvocation;
typedef struct _GVariant GVariant;

class NSImage;
class NSMenu;

// A status item as a StatusNotifierItem (org.kde.StatusNotifierItem), the
// tray of KDE Plasma, GNOME's AppIndicator extension, Xfce, Cinnamon, MATE,
// Budgie and waybar: the item on the session bus with its icon, its menu
// exported over dbusmenu, registered with the panel's watcher.
class StatusNotifierItem {
public:
    // Whether the watcher took the item, or why not.
    using Registered = std::function<void(const Expected<void>& registered)>;
    // The panel asks the item to show its menu itself: it sends Activate on
    // a click although the item says it is a menu (mate-panel does), or
    // ContextMenu where it draws no menus.
    using MenuRequested = std::function<void()>;

    // `registered` hears once.
    StatusNotifierItem(GDBusConnection* connection, Registered registered, MenuRequested menuRequested = nullptr);
    ~StatusNotifierItem();
    StatusNotifierItem(const StatusNotifierItem&) = delete;
    StatusNotifierItem& operator=(const StatusNotifierItem&) = delete;

    void setImage(const std::shared_ptr<NSImage>& image);
    void setMenu(const std::shared_ptr<NSMenu>& menu) { m_menu.setMenu(menu); }
    DBusMenuExporter& menu() { return m_menu; }

    // From the bus, on the main thread.
    GVariant* property(const std::string& name) const;
    void call(const std::string& method, GDBusMethodInvocation* invocation);

private:
    void registerWithWatcher(int attempt);

    GDBusConnection* m_connection = nullptr;
    Registered m_registered;
    MenuRequested m_menuRequested;
    std::string m_busName;
    unsigned m_nameOwner = 0;
    unsigned m_registration = 0;
    DBusMenuExporter m_menu;
    std::shared_ptr<NSImage> m_image;
    std::shared_ptr<StatusNotifierItem*> m_self = std::make_shared<StatusNotifierItem*>(this);
};
