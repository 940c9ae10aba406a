#include "Platform/AppKit/NSStatusBar.h"

#include "Platform/AppKit/NSStatusItem.h"
#include "Platform/AppKit/StatusBarBackend.h"

NSStatusBar& NSStatusBar::system()
{
    static NSStatusBar bar;
    return bar;
}

std::shared_ptr<NSStatusItem> NSStatusBar::statusItem(double length)
{
    auto item = std::shared_ptr<NSStatusItem>(new NSStatusItem(length));
    item->attachButton();
    StatusBarBackend::current().statusItemAdded(*item);
    return item;
}
