#include "BaseUI/Style/Highlight.h"

#include "Platform/AppKit/NSControl.h"
#include "Platform/QuartzCore/CALayer.h"

namespace {

std::optional<CGColor> cgColor(const std::optional<NSColor>& color)
{
    return color ? std::optional(color->cgColor()) : std::nullopt;
}

}  // namespace

Border& Highlight::border()
{
    if (!m_border)
        m_border.emplace(m_base, false);
    return *m_border;
}

Background& Highlight::background()
{
    if (!m_background)
        m_background.emplace(m_base, false);
    return *m_background;
}

Text& Highlight::text()
{
    if (!m_text)
        m_text.emplace(std::dynamic_pointer_cast<NSControl>(base()), false);
    return *m_text;
}

void Highlight::applyHighlight(NSView& view)
{
    const auto& layer = view.layer();
    if (!layer)
        return;
    if (background().color())
        layer->setBackgroundColor(cgColor(background().color()));
    if (border().color())
        layer->setBorderColor(cgColor(border().color()));
    if (border().width() > 0)
        layer->setBorderWidth(border().width());
    if (border().radius() > 0)
        layer->setCornerRadius(border().radius());
}

void Highlight::restoreStyle(const Border& border, const Background& background, NSView& view)
{
    const auto& layer = view.layer();
    if (!layer)
        return;
    layer->setBackgroundColor(cgColor(background.color()));
    layer->setBorderColor(cgColor(border.color()));
    layer->setBorderWidth(border.width());
    layer->setCornerRadius(border.radius());
}
