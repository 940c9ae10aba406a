#pragma once

#include <memory>

#include "BaseUI/UI/Loading/IndeterminateAnimation.h"
#include "Platform/QuartzCore/CAAnimationDelegate.h"

class CAAnimationGroup;
class CABasicAnimation;
class CAShapeLayer;

// The circular spinner: an arc whose head runs ahead and whose tail catches
// up, each cycle starting where the last one ended, while the whole circle
// turns one radian every 0.75 seconds. The layers are built once, from the
// bounds at initialisation.
class MaterialProgress : public IndeterminateAnimation, public CAAnimationDelegate {
public:
    static constexpr double π2 = 6.283185307179586;
    // 288 degrees: the fraction of a turn the arc's head reaches.
    static constexpr double cycleTurn = 5.026548245743669;

    explicit MaterialProgress(const CGRect& frame);
    explicit MaterialProgress(const NSCoder& coder);

    // −1: a tenth of the radius.
    CGFloat lineWidth() const { return m_lineWidth; }
    void setLineWidth(CGFloat width);
    const std::shared_ptr<CAShapeLayer>& backgroundRotationLayer() const { return m_backgroundRotationLayer; }
    const std::shared_ptr<CAShapeLayer>& progressLayer() const { return m_progressLayer; }
    const std::shared_ptr<CAAnimationGroup>& animationGroup() const { return m_animationGroup; }
    const std::shared_ptr<CABasicAnimation>& rotationAnimation() const { return m_rotationAnimation; }
    double currentRotation() const { return m_currentRotation; }

    void configureLayers() override;
    void notifyViewRedesigned() override;
    void makeStrokeAnimationGroup();
    void startAnimation() override;
    void stopAnimation() override;
    void animationDidStop(CAAnimation& animation, bool finished) override;

    std::optional<double> numberValue(std::string_view key) const override;
    bool setNumberValue(double value, std::string_view key) override;

private:
    void setUpFields();

    CGFloat m_lineWidth = -1;
    std::shared_ptr<CAShapeLayer> m_backgroundRotationLayer;
    std::shared_ptr<CAShapeLayer> m_progressLayer;
    std::shared_ptr<CAAnimationGroup> m_animationGroup;
    std::shared_ptr<CABasicAnimation> m_rotationAnimation;
    double m_currentRotation = 0;
};
