#include "BaseUI/UI/Loading/BaseView.h"

#include "Platform/QuartzCore/CALayer.h"

BaseView::BaseView(const CGRect& frame)
    : NSView(frame)
{
}

BaseView::BaseView(const NSCoder& coder)
    : NSView(coder)
{
}

void BaseView::didInit()
{
    NSView::didInit();
    configureLayers();
}

void BaseView::setBackground(const NSColor& color)
{
    m_background = color;
    notifyViewRedesigned();
}

void BaseView::setForeground(const NSColor& color)
{
    m_foreground = color;
    notifyViewRedesigned();
}

void BaseView::setIbCornerRadius(CGFloat radius)
{
    m_ibCornerRadius = radius;
    notifyViewRedesigned();
}

void BaseView::configureLayers()
{
    setWantsLayer(true);
    notifyViewRedesigned();
}

void BaseView::notifyViewRedesigned()
{
    if (const auto& layer = this->layer()) {
        layer->setBackgroundColor(m_background.cgColor());
        layer->setCornerRadius(m_ibCornerRadius);
    }
}

std::optional<NSColor> BaseView::colorValue(std::string_view key) const
{
    if (key == "background")
        return m_background;
    if (key == "foreground")
        return m_foreground;
    return NSView::colorValue(key);
}

bool BaseView::setColorValue(std::optional<NSColor> color, std::string_view key)
{
    if (color && key == "background")
        setBackground(*color);
    else if (color && key == "foreground")
        setForeground(*color);
    else
        return NSView::setColorValue(color, key);
    return true;
}

std::optional<double> BaseView::numberValue(std::string_view key) const
{
    return key == "ibCornerRadius" ? std::optional<double>(m_ibCornerRadius) : NSView::numberValue(key);
}

bool BaseView::setNumberValue(double value, std::string_view key)
{
    if (key != "ibCornerRadius")
        return NSView::setNumberValue(value, key);
    setIbCornerRadius(value);
    return true;
}
