#pragma once

#include <memory>

#include "Platform/AppKit/NSView.h"

class ObserverRegistration;

// A view that hears the system's appearance changes from its initialisation
// until its destruction; a subclass shows the change in its own
// _systemInterfaceThemeChanged().
class KvBaseView : public NSView {
public:
    explicit KvBaseView(const CGRect& frame);
    explicit KvBaseView(const NSCoder& coder);
    ~KvBaseView() override;

    virtual void _systemInterfaceThemeChanged();

private:
    void observeTheme();

    std::unique_ptr<ObserverRegistration> m_themeObserver;
};
