// The status item in an X system tray (XEmbed), for panels that have no
// StatusNotifierItem watcher: GTK's tray icon, which docks into whichever tray
// manager takes the screen's selection, and a GTK popup menu at the icon. The
// same popup serves a StatusNotifierItem panel that leaves the menu to the
// item. Loaded as a module, so a desktop with a StatusNotifierItem panel never
// loads GTK unless it asks for that.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <string>

#include "Platform/Freedesktop/TrayPresenter.h"

// GtkStatusIcon is deprecated in GTK 3 only because newer desktops have no
// XEmbed tray; on the desktops that need this module it is the way.
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

namespace {

// Whether the tray manager of the default screen says which colours its
// icons should have (_NET_SYSTEM_TRAY_COLORS): GTK then draws a symbolic
// icon in them. Without them it draws it in its theme's text colour, which
// on a dark tray is as good as invisible.
bool trayGivesColours()
{
    GdkDisplay* display = gdk_display_get_default();
    if (!display || !GDK_IS_X11_DISPLAY(display))
        return false;
    Display* x = gdk_x11_display_get_xdisplay(display);
    const std::string selection
        = "_NET_SYSTEM_TRAY_S" + std::to_string(gdk_x11_screen_get_screen_number(gdk_screen_get_default()));
    Window manager = XGetSelectionOwner(x, gdk_x11_get_xatom_by_name_for_display(display, selection.c_str()));
    if (manager == None)
        return false;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    // The manager may quit meanwhile.
    gdk_x11_display_error_trap_push(display);
    int status = XGetWindowProperty(x, manager, gdk_x11_get_xatom_by_name_for_display(display, "_NET_SYSTEM_TRAY_COLORS"),
                                    0, 12, False, XA_CARDINAL, &type, &format, &count, &after, &data);
    gdk_x11_display_error_trap_pop_ignored(display);
    if (data)
        XFree(data);
    return status == Success && type == XA_CARDINAL && format == 32 && count == 12;
}

class XEmbedTrayPresenter final : public TrayPresenter {
public:
    explicit XEmbedTrayPresenter(TrayPresenterClient& client)
        : m_client(client)
    {
    }

    ~XEmbedTrayPresenter() override
    {
        closeMenu();
        if (m_menu)
            gtk_widget_destroy(m_menu);
        if (m_icon) {
            gtk_status_icon_set_visible(m_icon, false);
            g_signal_handlers_disconnect_by_data(m_icon, this);
            g_object_unref(m_icon);
        }
    }

    void setIcon(const TrayIcon& icon) override
    {
        m_trayIcon = icon;
        if (!icon.folder.empty() && !m_themed) {
            gtk_icon_theme_append_search_path(gtk_icon_theme_get_default(), icon.folder.c_str());
            m_themed = true;
        }
        showIcon();
    }

    void setVisible(bool visible) override
    {
        // Made only when first shown: a status icon docks as soon as it exists.
        if (visible && !m_icon)
            makeIcon();
        if (m_icon)
            gtk_status_icon_set_visible(m_icon, visible);
    }

    void showMenu(const std::vector<TrayMenuRow>& rows) override
    {
        popUp(rows, m_icon ? gtk_status_icon_position_menu : nullptr, m_icon);
    }

    void showMenuAtPointer(const std::vector<TrayMenuRow>& rows) override
    {
        // Panels' ideas of where their items are differ (mate-panel says the
        // left edge of the screen); the click was at the pointer.
        popUp(rows, nullptr, nullptr);
    }

    void closeMenu() override
    {
        if (m_menu && m_shown) {
            m_shown = false;
            gtk_menu_popdown(GTK_MENU(m_menu));
        }
    }

private:
    void makeIcon()
    {
        m_icon = gtk_status_icon_new();
        gtk_status_icon_set_title(m_icon, "Parvex");
        gtk_status_icon_set_tooltip_text(m_icon, "Parvex");
        g_signal_connect(m_icon, "activate", G_CALLBACK(+[](GtkStatusIcon*, gpointer self) {
            static_cast<XEmbedTrayPresenter*>(self)->clicked(0, gtk_get_current_event_time());
        }), this);
        g_signal_connect(m_icon, "popup-menu", G_CALLBACK(+[](GtkStatusIcon*, guint button, guint time, gpointer self) {
            static_cast<XEmbedTrayPresenter*>(self)->clicked(button, time);
        }), this);
        g_signal_connect(m_icon, "notify::embedded", G_CALLBACK(+[](GObject* icon, GParamSpec*, gpointer self) {
            auto* presenter = static_cast<XEmbedTrayPresenter*>(self);
            const bool embedded = gtk_status_icon_is_embedded(GTK_STATUS_ICON(icon));
            // Another tray may give other colours, or none.
            if (embedded)
                presenter->showIcon();
            presenter->m_client.trayIconEmbedded(embedded);
        }), this);
        showIcon();
    }

    void showIcon()
    {
        if (!m_icon)
            return;
        const std::string& name = trayGivesColours() && !m_trayIcon.symbolicName.empty() ? m_trayIcon.symbolicName
                                                                                          : m_trayIcon.name;
        if (name == m_shownName)
            return;
        // has_icon() does not see icons lying loose in a search path; a lookup does.
        GtkIconInfo* found = name.empty() ? nullptr
            : gtk_icon_theme_lookup_icon(gtk_icon_theme_get_default(), name.c_str(), 16, GtkIconLookupFlags{});
        if (found) {
            g_object_unref(found);
            gtk_status_icon_set_from_icon_name(m_icon, name.c_str());
            m_shownName = name;
        } else if (!m_trayIcon.fallbackPng.empty()) {
            gtk_status_icon_set_from_file(m_icon, m_trayIcon.fallbackPng.c_str());
            m_shownName.clear();
        }
    }

    void popUp(const std::vector<TrayMenuRow>& rows, GtkMenuPositionFunc position, gpointer place)
    {
        if (!m_menu) {
            m_menu = gtk_menu_new();
            g_object_ref_sink(m_menu);
            g_signal_connect(m_menu, "deactivate", G_CALLBACK(+[](GtkMenuShell*, gpointer self) {
                auto* presenter = static_cast<XEmbedTrayPresenter*>(self);
                if (presenter->m_shown) {
                    presenter->m_shown = false;
                    presenter->m_client.trayMenuDismissed();
                }
            }), this);
        }
        fill(rows);
        if (m_shown)
            return;
        m_shown = true;
        // No item is selected until the user moves to one: Return alone must
        // not eject the first volume. The popup takes the keyboard all the
        // same, so the arrows reach it.
        gtk_menu_popup(GTK_MENU(m_menu), nullptr, nullptr, position, place, m_button, m_time);
        m_time = GDK_CURRENT_TIME;
        m_button = 0;
    }

    void clicked(guint button, guint time)
    {
        m_button = button;
        m_time = time;
        m_client.trayIconClicked();
    }

    void fill(const std::vector<TrayMenuRow>& rows)
    {
        gtk_container_foreach(GTK_CONTAINER(m_menu), [](GtkWidget* child, gpointer) { gtk_widget_destroy(child); },
                              nullptr);
        for (std::size_t index = 0; index < rows.size(); ++index) {
            const TrayMenuRow& row = rows[index];
            GtkWidget* item = nullptr;
            if (row.separator) {
                item = gtk_separator_menu_item_new();
            } else if (row.checked) {
                item = gtk_check_menu_item_new_with_label(row.title.c_str());
                gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(item), true);
            } else {
                item = gtk_menu_item_new_with_label(row.title.c_str());
            }
            gtk_widget_set_sensitive(item, row.enabled && !row.separator);
            g_object_set_data(G_OBJECT(item), "row", GINT_TO_POINTER(static_cast<int>(index)));
            g_signal_connect(item, "activate", G_CALLBACK(+[](GtkMenuItem* chosen, gpointer self) {
                static_cast<XEmbedTrayPresenter*>(self)->m_client.trayMenuRowChosen(
                    GPOINTER_TO_INT(g_object_get_data(G_OBJECT(chosen), "row")));
            }), this);
            gtk_menu_shell_append(GTK_MENU_SHELL(m_menu), item);
            gtk_widget_show(item);
        }
    }

    TrayPresenterClient& m_client;
    GtkStatusIcon* m_icon = nullptr;
    TrayIcon m_trayIcon;
    std::string m_shownName;
    GtkWidget* m_menu = nullptr;
    bool m_shown = false;
    bool m_themed = false;
    guint m_button = 0;
    guint m_time = GDK_CURRENT_TIME;
};

}  // namespace

extern "C" __attribute__((visibility("default"))) TrayPresenter* parvexXEmbedTrayPresenter(TrayPresenterClient& client)
{
    // Software GL is not needed for a tray icon and costs tens of megabytes.
    g_setenv("GDK_GL", "disable", false);
    // The X tray and popups placed on the screen are X's; under Wayland alone
    // there is neither.
    gdk_set_allowed_backends("x11");
    if (!gtk_init_check(nullptr, nullptr))
        return nullptr;
    return new XEmbedTrayPresenter(client);
}
