#include "Platform/AppKit/NSMenu.h"

#include "Platform/AppKit/StatusBarBackend.h"
#include "Platform/Foundation/RunLoop.h"

namespace {

// The one menu being tracked, if any.
NSMenu* g_tracked = nullptr;

}  // namespace

NSMenu::~NSMenu()
{
    if (m_open) {
        // Gone while shown: leave the run loop as the menu found it.
        m_open = false;
        g_tracked = nullptr;
        StatusBarBackend::current().menuClosed(*this);
        RunLoop::main().popMode();
    }
    for (auto& item : m_items)
        item->setMenu({});
}

bool NSMenu::insertItem(std::shared_ptr<NSMenuItem> item, int index)
{
    if (!item || item->menu() || index < 0 || index > numberOfItems())
        return false;
    // An item made on the stack has no owner to point back to it; refuse it too.
    if (item->weak_from_this().expired())
        return false;
    item->setMenu(weak_from_this());
    m_items.insert(m_items.begin() + index, std::move(item));
    changed();
    return true;
}

bool NSMenu::addItem(std::shared_ptr<NSMenuItem> item)
{
    return insertItem(std::move(item), numberOfItems());
}

bool NSMenu::removeItem(int index)
{
    if (index < 0 || index >= numberOfItems())
        return false;
    auto removed = m_items[static_cast<size_t>(index)];
    m_items.erase(m_items.begin() + index);
    removed->setMenu({});
    changed();
    return true;
}

std::shared_ptr<NSMenuItem> NSMenu::item(int index) const
{
    if (index < 0 || index >= numberOfItems())
        return nullptr;
    return m_items[static_cast<size_t>(index)];
}

int NSMenu::indexOf(const NSMenuItem& item) const
{
    for (size_t index = 0; index < m_items.size(); ++index) {
        if (m_items[index].get() == &item)
            return static_cast<int>(index);
    }
    return -1;
}

bool NSMenu::open()
{
    if (m_open)
        return false;
    if (g_tracked)
        g_tracked->close();
    auto keep = weak_from_this().lock();
    m_open = true;
    g_tracked = this;
    RunLoop::main().pushMode(RunLoopMode::eventTracking);
    if (auto delegate = m_delegate.lock())
        delegate->menuNeedsUpdate(*this);
    if (m_open)
        StatusBarBackend::current().menuOpened(*this);
    return true;
}

bool NSMenu::choose(int index)
{
    auto chosen = item(index);
    if (!chosen || !chosen->isEnabled())
        return false;
    auto keep = weak_from_this().lock();
    close();
    chosen->performAction();
    return true;
}

bool NSMenu::choose(const std::shared_ptr<NSMenuItem>& item)
{
    return item && choose(indexOf(*item));
}

void NSMenu::close()
{
    if (!m_open)
        return;
    auto keep = weak_from_this().lock();
    m_open = false;
    if (g_tracked == this)
        g_tracked = nullptr;
    StatusBarBackend::current().menuClosed(*this);
    RunLoop::main().popMode();
}

void NSMenu::changed()
{
    // Also while closed: a panel keeps a copy of the menu to size it by.
    StatusBarBackend::current().menuChanged(*this);
}
