#include "Platform/Freedesktop/DesktopAppearance.h"

#include "Platform/Foundation/DistributedNotificationCenter.h"
#include "Platform/Foundation/UserDefaults.h"

DesktopAppearance::DesktopAppearance(std::vector<std::unique_ptr<AppearanceSource>> sources, Domain domain,
                                     DistributedNotificationCenter& center, Report report)
    : m_sources(std::move(sources)), m_domain(std::move(domain)), m_center(center), m_report(std::move(report))
{
}

void DesktopAppearance::start()
{
    for (auto& source : m_sources)
        source->setChangeHandler([this] { apply(); });
    apply();
}

bool DesktopAppearance::prefersDark() const
{
    for (const auto& source : m_sources) {
        auto preference = source->preference();
        if (preference != AppearanceSource::Preference::none)
            return preference == AppearanceSource::Preference::dark;
    }
    return false;
}

void DesktopAppearance::apply()
{
    bool dark = prefersDark();
    UserDefaults global(".GlobalPreferences", m_domain.path);
    if ((global.stringForKey(m_domain.styleKey) == "Dark") == dark)
        return;
    auto written = dark ? global.setString("Dark", m_domain.styleKey) : global.remove(m_domain.styleKey);
    if (!written) {
        if (m_report)
            m_report("cannot record the " + std::string(dark ? "dark" : "light") + " look in " + m_domain.path + ": "
                     + written.error().description);
        return;
    }
    if (m_report)
        m_report(std::string("the desktop prefers the ") + (dark ? "dark" : "light") + " look");
    if (auto posted = m_center.post(m_domain.notificationName); !posted && m_report)
        m_report("cannot announce the change of look: " + posted.error().description);
}
