#include "Platform/QuartzCore/CAShapeLayer.h"

void CAShapeLayer::setPath(std::optional<CGPath> path)
{
    update(m_path, std::move(path));
}

void CAShapeLayer::setFillColor(std::optional<CGColor> color)
{
    update(m_fillColor, color);
}

void CAShapeLayer::setStrokeColor(std::optional<CGColor> color)
{
    update(m_strokeColor, color);
}

void CAShapeLayer::setLineWidth(CGFloat width)
{
    update(m_lineWidth, width);
}

void CAShapeLayer::setLineCap(CAShapeLayerLineCap cap)
{
    update(m_lineCap, cap);
}

void CAShapeLayer::setStrokeStart(CGFloat start)
{
    update(m_strokeStart, start);
}

void CAShapeLayer::setStrokeEnd(CGFloat end)
{
    update(m_strokeEnd, end);
}

std::optional<double> CAShapeLayer::value(std::string_view keyPath) const
{
    if (keyPath == "strokeStart")
        return m_strokeStart;
    if (keyPath == "strokeEnd")
        return m_strokeEnd;
    if (keyPath == "lineWidth")
        return m_lineWidth;
    return CALayer::value(keyPath);
}

bool CAShapeLayer::setValue(double value, std::string_view keyPath)
{
    if (keyPath == "strokeStart")
        setStrokeStart(value);
    else if (keyPath == "strokeEnd")
        setStrokeEnd(value);
    else if (keyPath == "lineWidth")
        setLineWidth(value);
    else
        return CALayer::setValue(value, keyPath);
    return true;
}
