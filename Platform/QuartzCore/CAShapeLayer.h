#pragma once

#include <optional>

#include "Platform/QuartzCore/CALayer.h"
#include "Platform/QuartzCore/CGPath.h"

enum class CAShapeLayerLineCap { butt, round, square };

// A layer that draws a path: filled, then stroked between the fractions
// `strokeStart` and `strokeEnd` of its length.
class CAShapeLayer : public CALayer {
public:
    static std::shared_ptr<CAShapeLayer> layer() { return std::make_shared<CAShapeLayer>(); }

    const std::optional<CGPath>& path() const { return m_path; }
    void setPath(std::optional<CGPath> path);
    // Opaque black unless set, as on the platform; none fills nothing.
    const std::optional<CGColor>& fillColor() const { return m_fillColor; }
    void setFillColor(std::optional<CGColor> color);
    const std::optional<CGColor>& strokeColor() const { return m_strokeColor; }
    void setStrokeColor(std::optional<CGColor> color);
    CGFloat lineWidth() const { return m_lineWidth; }
    void setLineWidth(CGFloat width);
    CAShapeLayerLineCap lineCap() const { return m_lineCap; }
    void setLineCap(CAShapeLayerLineCap cap);
    CGFloat strokeStart() const { return m_strokeStart; }
    void setStrokeStart(CGFloat start);
    CGFloat strokeEnd() const { return m_strokeEnd; }
    void setStrokeEnd(CGFloat end);

    std::optional<double> value(std::string_view keyPath) const override;
    bool setValue(double value, std::string_view keyPath) override;

private:
    std::optional<CGPath> m_path;
    std::optional<CGColor> m_fillColor = CGColor{0, 0, 0, 1};
    std::optional<CGColor> m_strokeColor;
    CGFloat m_lineWidth = 1;
    CAShapeLayerLineCap m_lineCap = CAShapeLayerLineCap::butt;
    CGFloat m_strokeStart = 0;
    CGFloat m_strokeEnd = 1;
};
