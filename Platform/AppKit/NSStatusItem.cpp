#include "Platform/AppKit/NSStatusItem.h"

#include "Platform/AppKit/NSImage.h"
#include "Platform/AppKit/NSMenu.h"
#include "Platform/AppKit/StatusBarBackend.h"

NSStatusItem::~NSStatusItem()
{
    if (m_menu)
        m_menu->close();
    StatusBarBackend::current().statusItemRemoved(*this);
}

void NSStatusItem::setImage(std::shared_ptr<NSImage> image)
{
    m_image = std::move(image);
    changed();
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
