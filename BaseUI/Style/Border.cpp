#include "BaseUI/Style/Border.h"

#include "Platform/AppKit/NSView.h"
#include "Platform/QuartzCore/CALayer.h"

namespace {

std::shared_ptr<CALayer> layerOf(const Border& border)
{
    auto base = border.isSet() ? border.base() : nullptr;
    return base ? base->layer() : nullptr;
}

}  // namespace

void Border::setColor(std::optional<NSColor> color)
{
    m_color = color;
    if (auto layer = layerOf(*this))
        layer->setBorderColor(color ? std::optional(color->cgColor()) : std::nullopt);
}

void Border::setWidth(CGFloat width)
{
    m_width = width;
    if (auto layer = layerOf(*this))
        layer->setBorderWidth(width);
}

void Border::setRadius(CGFloat radius)
{
    m_radius = radius;
    if (auto layer = layerOf(*this))
        layer->setCornerRadius(radius);
}
