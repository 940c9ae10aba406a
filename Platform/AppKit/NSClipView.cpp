#include "Platform/AppKit/NSClipView.h"

#include "Platform/AppKit/NSGraphicsContext.h"
#include "Platform/AppKit/ViewRenderer.h"

void NSClipView::setBackgroundColor(std::optional<NSColor> color)
{
    m_backgroundColor = color;
    setNeedsDisplay(true);
}

void NSClipView::draw(const CGRect&)
{
    auto* context = NSGraphicsContext::current();
    if (!context || !m_backgroundColor)
        return;
    ViewRenderer::fill(context->cgContext(), bounds(), *m_backgroundColor);
}

std::optional<NSColor> NSClipView::colorValue(std::string_view key) const
{
    return key == "backgroundColor" ? m_backgroundColor : std::nullopt;
}

bool NSClipView::setColorValue(std::optional<NSColor> color, std::string_view key)
{
    if (key != "backgroundColor")
        return false;
    setBackgroundColor(color);
    return true;
}
