#include "Platform/AppKit/NSControl.h"

void NSControl::setFont(const NSFont& font)
{
    m_font = font;
    setNeedsDisplay(true);
}

void NSControl::setAlignment(NSTextAlignment alignment)
{
    m_alignment = alignment;
    setNeedsDisplay(true);
}

void NSControl::setEnabled(bool enabled)
{
    m_enabled = enabled;
    setNeedsDisplay(true);
}

void NSControl::setTarget(const std::shared_ptr<void>& target)
{
    m_target = target;
    m_hasTarget = target != nullptr;
}

bool NSControl::sendAction()
{
    if (!m_enabled || !m_action || (m_hasTarget && m_target.expired()))
        return false;
    // The action may drop the last other reference to this control.
    auto keep = shared_from_this();
    m_action(*this);
    return true;
}
