#pragma once

#include <functional>
#include <memory>

#include "Platform/AppKit/AppearanceSource.h"

typedef struct _GDBusConnection GDBusConnection;

// The freedesktop appearance setting ("org.freedesktop.appearance"
// "color-scheme": 1 prefers dark, 2 prefers light, 0 says nothing) from the
// settings portal on the session bus, where one runs. It is asked once
// without waiting (the portal may be started on demand) and then follows the
// portal's SettingChanged signal; until it answers, and where there is no
// portal or bus, it says nothing.
class SettingsPortalAppearance : public AppearanceSource {
public:
    static constexpr const char* busName = "org.freedesktop.portal.Desktop";
    static constexpr const char* objectPath = "/org/freedesktop/portal/desktop";
    static constexpr const char* interfaceName = "org.freedesktop.portal.Settings";
    static constexpr const char* settingsNamespace = "org.freedesktop.appearance";
    static constexpr const char* colorSchemeKey = "color-scheme";

    SettingsPortalAppearance();
    ~SettingsPortalAppearance() override;
    SettingsPortalAppearance(const SettingsPortalAppearance&) = delete;
    SettingsPortalAppearance& operator=(const SettingsPortalAppearance&) = delete;

    Preference preference() override { return m_preference; }
    void setChangeHandler(std::function<void()> handler) override { m_changed = std::move(handler); }

    // The preference a color-scheme value stands for.
    static Preference fromColorScheme(unsigned value);

private:
    void ask(const char* method);
    void answered(Preference preference);

    GDBusConnection* m_bus = nullptr;
    unsigned m_subscription = 0;
    Preference m_preference = Preference::none;
    std::function<void()> m_changed;
    // Answers that come after this object has gone find it expired.
    std::shared_ptr<SettingsPortalAppearance*> m_alive = std::make_shared<SettingsPortalAppearance*>(this);
};
