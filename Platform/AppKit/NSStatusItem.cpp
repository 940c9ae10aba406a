#include "Platform/AppKit/NSStatusItem.h"

#include "Platform/AppKit/NSMenu.h"
#include "Platform/AppKit/StatusBarBackend.h"

NSStatusItem::NSStatusItem(double length)
    : m_length(length)
{
}

NSStatusItem::~NSStatusItem()
{
    if (m_menu)
        m_menu->close();
    StatusBarBackend::current().statusItemRemoved(*this);
}

void NSStatusItem::attachButton()
{
    m_button = std::shared_ptr<NSStatusBarButton>(new NSStatusBarButton(weak_from_this()));
}

void NSStatusItem::setMenu(std::shared_ptr<NSMenu> menu)
{
    if (m_menu && m_menu != menu)
        m_menu->close();
    m_menu = std::move(menu);
    changed();
}

bool NSStatusItem::click()
{
    auto keep = m_menu;
    return keep && keep->open();
}

void NSStatusItem::changed()
{
    StatusBarBackend::current().statusItemChanged(*this);
}
