#include "Platform/Gtk/GtkDesktop.h"

#include <gtk/gtk.h>

#include <memory>
#include <vector>

#include "Platform/Freedesktop/SettingsPortalAppearance.h"
#include "Platform/Gtk/GtkSettingsAppearance.h"
#include "Platform/Gtk/GtkWindowBackend.h"

bool GtkDesktop::install(const Identity& identity, DesktopAppearance::Domain appearance,
                         DistributedNotificationCenter& center, Report report)
{
    // Screen readers go by the program's name; window managers and docks
    // match the window class with the desktop entry's name.
    g_set_prgname(identity.name.c_str());
    g_set_application_name(identity.name.c_str());
    if (!gtk_init_check(nullptr, nullptr))
        return false;
    // After the start: GTK's own start sets the class from the program's name.
    gdk_set_program_class(identity.identifier.c_str());
    if (gtk_icon_theme_has_icon(gtk_icon_theme_get_default(), identity.identifier.c_str()))
        gtk_window_set_default_icon_name(identity.identifier.c_str());
    else if (!identity.iconPath.empty())
        gtk_window_set_default_icon_from_file(identity.iconPath.c_str(), nullptr);
    WindowBackend::install(std::make_shared<GtkWindowBackend>());

    std::vector<std::unique_ptr<AppearanceSource>> sources;
    sources.push_back(std::make_unique<SettingsPortalAppearance>());
    sources.push_back(std::make_unique<GtkSettingsAppearance>());
    // It follows the desktop for as long as the program runs.
    static std::unique_ptr<DesktopAppearance> mirror;
    mirror = std::make_unique<DesktopAppearance>(std::move(sources), std::move(appearance), center, report);
    mirror->start();
    if (report)
        report(std::string("windows on the display ") + gdk_display_get_name(gdk_display_get_default()));
    return true;
}
