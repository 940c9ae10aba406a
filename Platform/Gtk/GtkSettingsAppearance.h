#pragma once

#include <gtk/gtk.h>

#include "Platform/AppKit/AppearanceSource.h"

// GTK's own idea of the look, where no settings portal answers: the
// application-prefers-dark setting, or a theme whose name marks it dark
// ("Adwaita-dark", "Theme:dark"). Follows changes the desktop's settings
// daemon (XSETTINGS) or the settings file make.
class GtkSettingsAppearance : public AppearanceSource {
public:
    GtkSettingsAppearance();
    ~GtkSettingsAppearance() override;
    GtkSettingsAppearance(const GtkSettingsAppearance&) = delete;
    GtkSettingsAppearance& operator=(const GtkSettingsAppearance&) = delete;

    Preference preference() override;
    void setChangeHandler(std::function<void()> handler) override { m_changed = std::move(handler); }

private:
    static void notified(GObject* settings, GParamSpec* property, gpointer self);

    GtkSettings* m_settings;
    std::function<void()> m_changed;
};
