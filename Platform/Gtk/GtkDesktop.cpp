#include "Platform/Gtk/GtkDesktop.h"

#include <gtk/gtk.h>

#include "Platform/Gtk/GtkSettingsAppearance.h"
#include "Platform/Gtk/GtkWindowBackend.h"

std::unique_ptr<AppearanceSource> GtkDesktop::install(const Identity& identity, Report report)
{
    // Screen readers go by the program's name; window managers and docks
    // match the window class with the desktop entry's name.
    g_set_prgname(identity.name.c_str());
    g_set_application_name(identity.name.c_str());
    if (!gtk_init_check(nullptr, nullptr))
        return nullptr;
    // After the start: GTK's own start sets the class from the program's name.
    gdk_set_program_class(identity.identifier.c_str());
    if (gtk_icon_theme_has_icon(gtk_icon_theme_get_default(), identity.identifier.c_str()))
        gtk_window_set_default_icon_name(identity.identifier.c_str());
    else if (!identity.iconPath.empty())
        gtk_window_set_default_icon_from_file(identity.iconPath.c_str(), nullptr);
    WindowBackend::install(std::make_shared<GtkWindowBackend>());
    if (report)
        report(std::string("windows on the display ") + gdk_display_get_name(gdk_display_get_default()));
    return std::make_unique<GtkSettingsAppearance>();
}
