#pragma once

#include <memory>

#include "Platform/AppKit/NSViewController.h"

class ObserverRegistration;

// A base controller that hears the system's appearance changes once its view
// has loaded, until it is destroyed; a subclass shows the change in its own
// _systemInterfaceThemeChanged().
class KvBaseViewController : public NSViewController {
public:
    ~KvBaseViewController() override;

    virtual void _systemInterfaceThemeChanged();

protected:
    void viewDidLoad() override;

private:
    std::unique_ptr<ObserverRegistration> m_themeObserver;
};
