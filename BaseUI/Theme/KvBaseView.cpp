#include "BaseUI/Theme/KvBaseView.h"

#include "BaseUI/Theme/NSAppleInterfaceTheme.h"
#include "Platform/Foundation/DistributedNotificationCenter.h"
#include "Shared/Kit/NotificationWrapper.h"

KvBaseView::KvBaseView(const CGRect& frame)
    : NSView(frame)
{
    observeTheme();
}

KvBaseView::KvBaseView(const NSCoder& coder)
    : NSView(coder)
{
    observeTheme();
}

KvBaseView::~KvBaseView()
{
    // Nothing is delivered after the registration goes, even a notification
    // already queued on the run loop.
    m_themeObserver.reset();
    NotificationWrapper::shared().removeObserver(this);
}

void KvBaseView::observeTheme()
{
    auto& theme = NSAppleInterfaceTheme::shared();
    m_themeObserver = theme.notification().addObserver(NSAppleInterfaceTheme::themeChangedNotificationName(),
                                                        [this](const Notification&) { _systemInterfaceThemeChanged(); });
}

void KvBaseView::_systemInterfaceThemeChanged()
{
    (void)NSAppleInterfaceTheme::shared().isLight();
}
