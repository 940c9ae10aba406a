#include "BaseUI/Style/Text.h"

#include "Platform/AppKit/NSControl.h"

void Text::setFontSize(CGFloat size)
{
    m_fontSize = size;
    if (auto control = m_isSet ? base() : nullptr)
        control->setFont(NSFont::systemFont(size));
}

void Text::setColor(const NSColor& color)
{
    m_color = color;
    if (m_isSet && m_colorDidSetBlock)
        m_colorDidSetBlock(color);
}
