#include "App/KvBaseViewController.h"

#include <cstdio>

#include "BaseUI/Theme/NSAppleInterfaceTheme.h"
#include "Platform/Foundation/DistributedNotificationCenter.h"
#include "Shared/Kit/Kit.h"
#include "Shared/Kit/NotificationWrapper.h"

KvBaseViewController::~KvBaseViewController()
{
    // Nothing is delivered after the registration goes, even a notification
    // already queued on the run loop.
    m_themeObserver.reset();
    NotificationWrapper::shared().removeObserver(this);
    char description[64];
    std::snprintf(description, sizeof description, "<KvBaseViewController: %p>", static_cast<void*>(this));
    Kit::debugLog(std::string("deinit ") + description, "deinit");
}

void KvBaseViewController::viewDidLoad()
{
    NSViewController::viewDidLoad();
    m_themeObserver = NSAppleInterfaceTheme::shared().notification().addObserver(
        NSAppleInterfaceTheme::themeChangedNotificationName(), [this](const Notification&) { _systemInterfaceThemeChanged(); });
}

void KvBaseViewController::_systemInterfaceThemeChanged()
{
    (void)NSAppleInterfaceTheme::shared().isLight();
}
