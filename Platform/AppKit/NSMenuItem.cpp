#include "Platform/AppKit/NSMenuItem.h"

#include "Platform/AppKit/NSImage.h"
#include "Platform/AppKit/NSMenu.h"

NSMenuItem::NSMenuItem(std::string title, Action action, std::string)
    : m_title(std::move(title)), m_action(std::move(action)), m_onStateImage(NSImage::menuOnStateTemplate())
{
}

std::shared_ptr<NSMenuItem> NSMenuItem::separatorItem()
{
    auto item = std::make_shared<NSMenuItem>();
    item->m_separator = true;
    return item;
}

void NSMenuItem::setTitle(std::string title)
{
    m_title = std::move(title);
    changed();
}

void NSMenuItem::setAction(Action action)
{
    m_action = std::move(action);
    changed();
}

void NSMenuItem::setTarget(const std::shared_ptr<void>& target)
{
    m_target = target;
    m_hasTarget = target != nullptr;
    changed();
}

void NSMenuItem::setState(NSControlStateValue state)
{
    m_state = state;
    changed();
}

void NSMenuItem::setOnStateImage(std::shared_ptr<NSImage> image)
{
    m_onStateImage = std::move(image);
    changed();
}

bool NSMenuItem::hasLiveTarget() const
{
    return !m_hasTarget || !m_target.expired();
}

bool NSMenuItem::isEnabled() const
{
    return !m_separator && m_action && hasLiveTarget();
}

bool NSMenuItem::performAction()
{
    if (!isEnabled() || !m_action || !hasLiveTarget())
        return false;
    // The action may drop the last other reference to this item (a rebuild).
    auto keep = weak_from_this().lock();
    auto action = m_action;
    action(*this);
    return true;
}

void NSMenuItem::changed()
{
    if (auto menu = m_menu.lock())
        menu->changed();
}
