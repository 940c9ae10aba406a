#include "Platform/AppKit/NSStatusBar.h"

#include "Platform/AppKit/NSStatusItem.h"
#include "Platform/AppKit/StatusBarBackend.h"

NSStatusBar& NSStatusBar::system()
{
    static NSStatusBar bar;
    return bar;
}

std::shared_ptr<NSStatusItem> NSStatusBar::statusItem(double)
{
    auto item = std::shared_ptr<NSStatusItem>(new NSStatusItem());
    StatusBarBackend::current().statusItemAdded(*item);
    return item;
}
