#include "Platform/AppKit/NSStatusBarButton.h"

#include "Platform/AppKit/NSImage.h"
#include "Platform/AppKit/NSStatusItem.h"

NSStatusBarButton::NSStatusBarButton(std::weak_ptr<NSStatusItem> item)
    : m_item(std::move(item))
{
}

void NSStatusBarButton::setImage(std::shared_ptr<NSImage> image)
{
    m_image = std::move(image);
    changed();
}

void NSStatusBarButton::changed()
{
    if (auto item = m_item.lock())
        item->changed();
}
