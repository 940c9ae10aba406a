// The status item in an X system tray (XEmbed), for panels that have no
// StatusNotifierItem watcher: GTK's tray icon, which docks into whichever tray
// manager takes the screen's selection and recolours a symbolic icon to the
// tray's colours, and a GTK popup menu at the icon. Loaded as a module, so a
// desktop with a StatusNotifierItem panel never loads GTK.
#include <gtk/gtk.h>

#include <memory>

#include "Platform/AppKit/TrayPresenter.h"

// GtkStatusIcon is deprecated in GTK 3 only because newer desktops have no
// XEmbed tray; on the desktops that need this module it is the way.
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

namespace {

class XEmbedTrayPresenter final : public TrayPresenter {
public:
    explicit XEmbedTrayPresenter(TrayPresenterClient& client)
        : m_client(client)
        , m_icon(gtk_status_icon_new())
    {
        gtk_status_icon_set_title(m_icon, "Parvex");
        gtk_status_icon_set_tooltip_text(m_icon, "Parvex");
        g_signal_connect(m_icon, "activate", G_CALLBACK(+[](GtkStatusIcon*, gpointer self) {
            static_cast<XEmbedTrayPresenter*>(self)->clicked(0, gtk_get_current_event_time());
        }), this);
        g_signal_connect(m_icon, "popup-menu", G_CALLBACK(+[](GtkStatusIcon*, guint button, guint time, gpointer self) {
            static_cast<XEmbedTrayPresenter*>(self)->clicked(button, time);
        }), this);
        g_signal_connect(m_icon, "notify::embedded", G_CALLBACK(+[](GObject* icon, GParamSpec*, gpointer self) {
            static_cast<XEmbedTrayPresenter*>(self)->m_client.trayIconEmbedded(
                gtk_status_icon_is_embedded(GTK_STATUS_ICON(icon)));
        }), this);
    }

    ~XEmbedTrayPresenter() override
    {
        closeMenu();
        if (m_menu)
            gtk_widget_destroy(m_menu);
        gtk_status_icon_set_visible(m_icon, false);
        g_object_unref(m_icon);
    }

    void setIcon(const std::string& folder, const std::string& name, const std::string& fallbackPng) override
    {
        GtkIconTheme* theme = gtk_icon_theme_get_default();
        if (!folder.empty() && !m_themed) {
            gtk_icon_theme_append_search_path(theme, folder.c_str());
            m_themed = true;
        }
        // has_icon() does not see icons lying loose in a search path; a lookup does.
        GtkIconInfo* found = name.empty() ? nullptr : gtk_icon_theme_lookup_icon(theme, name.c_str(), 16, GtkIconLookupFlags{});
        if (found) {
            g_object_unref(found);
            gtk_status_icon_set_from_icon_name(m_icon, name.c_str());
        }
        else if (!fallbackPng.empty())
            gtk_status_icon_set_from_file(m_icon, fallbackPng.c_str());
    }

    void setVisible(bool visible) override { gtk_status_icon_set_visible(m_icon, visible); }

    void showMenu(const std::vector<TrayMenuRow>& rows) override
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
        gtk_menu_popup(GTK_MENU(m_menu), nullptr, nullptr, gtk_status_icon_position_menu, m_icon, m_button, m_time);
        // A popup opened without a pointer event (a keyboard or a test) still
        // takes the keyboard, so arrows and Return work in it.
        gtk_menu_shell_select_first(GTK_MENU_SHELL(m_menu), true);
    }

    void closeMenu() override
    {
        if (m_menu && m_shown) {
            m_shown = false;
            gtk_menu_popdown(GTK_MENU(m_menu));
        }
    }

private:
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
    GtkWidget* m_menu = nullptr;
    bool m_shown = false;
    bool m_themed = false;
    guint m_button = 0;
    guint m_time = 0;
};

}  // namespace

extern "C" __attribute__((visibility("default"))) TrayPresenter* parvexXEmbedTrayPresenter(TrayPresenterClient& client)
{
    // Software GL is not needed for a tray icon and costs tens of megabytes.
    g_setenv("GDK_GL", "disable", false);
    if (!gtk_init_check(nullptr, nullptr))
        return nullptr;
    return new XEmbedTrayPresenter(client);
}
