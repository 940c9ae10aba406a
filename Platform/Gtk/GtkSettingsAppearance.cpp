#include "Platform/Gtk/GtkSettingsAppearance.h"

#include <string>

GtkSettingsAppearance::GtkSettingsAppearance()
    : m_settings(gtk_settings_get_default())
{
    if (!m_settings)
        return;
    g_signal_connect(m_settings, "notify::gtk-application-prefer-dark-theme", G_CALLBACK(notified), this);
    g_signal_connect(m_settings, "notify::gtk-theme-name", G_CALLBACK(notified), this);
}

GtkSettingsAppearance::~GtkSettingsAppearance()
{
    if (m_settings)
        g_signal_handlers_disconnect_by_data(m_settings, this);
}

AppearanceSource::Preference GtkSettingsAppearance::preference()
{
    if (!m_settings)
        return Preference::none;
    gboolean prefersDark = FALSE;
    gchar* theme = nullptr;
    g_object_get(m_settings, "gtk-application-prefer-dark-theme", &prefersDark, "gtk-theme-name", &theme, nullptr);
    std::string name = theme ? theme : "";
    g_free(theme);
    auto endsWith = [&](const std::string& tail) {
        return name.size() >= tail.size() && g_ascii_strcasecmp(name.c_str() + name.size() - tail.size(), tail.c_str()) == 0;
    };
    return prefersDark || endsWith("-dark") || endsWith(":dark") ? Preference::dark : Preference::light;
}

void GtkSettingsAppearance::notified(GObject*, GParamSpec*, gpointer data)
{
    auto* self = static_cast<GtkSettingsAppearance*>(data);
    if (self->m_changed)
        self->m_changed();
}
