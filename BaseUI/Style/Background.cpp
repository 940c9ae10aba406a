#include "BaseUI/Style/Background.h"

#include "Platform/AppKit/NSView.h"
#include "Platform/QuartzCore/CALayer.h"

void Background::setColor(std::optional<NSColor> color)
{
    m_color = color;
    auto base = m_isSet ? this->base() : nullptr;
    if (!base)
        return;
    if (const auto& layer = base->layer())
        layer->setBackgroundColor(color ? std::optional(color->cgColor()) : std::nullopt);
    if (base->colorValue("backgroundColor"))
        base->setColorValue(color, "backgroundColor");
}
