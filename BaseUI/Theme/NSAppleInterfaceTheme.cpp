#include "BaseUI/Theme/NSAppleInterfaceTheme.h"

#include "Platform/Foundation/DistributedNotificationCenter.h"
#include "Platform/Foundation/UserDefaults.h"

namespace {

std::shared_ptr<NSAppleInterfaceTheme>& instance()
{
    static std::shared_ptr<NSAppleInterfaceTheme> theme;
    return theme;
}

}  // namespace

NSAppleInterfaceTheme& NSAppleInterfaceTheme::shared()
{
    auto& theme = instance();
    if (!theme)
        theme = std::make_shared<NSAppleInterfaceTheme>(DistributedNotificationCenter::defaultCenter(), globalDomainPath());
    return *theme;
}

void NSAppleInterfaceTheme::setShared(std::shared_ptr<NSAppleInterfaceTheme> theme)
{
    instance() = std::move(theme);
}

const std::string& NSAppleInterfaceTheme::themeChangedNotificationName()
{
    static const std::string name = "AppleInterfaceThemeChangedNotification";
    return name;
}

std::string NSAppleInterfaceTheme::globalDomainPath()
{
    return UserDefaults::defaultPath(".GlobalPreferences");
}

NSAppleInterfaceTheme::NSAppleInterfaceTheme(DistributedNotificationCenter& notification, std::string globalDomainPath)
    : m_notification(notification), m_globalDomainPath(std::move(globalDomainPath))
{
}

bool NSAppleInterfaceTheme::isLight() const
{
    UserDefaults global(".GlobalPreferences", m_globalDomainPath);
    return global.stringForKey(styleKey) != "Dark";
}
