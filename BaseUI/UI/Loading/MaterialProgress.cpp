#include "BaseUI/UI/Loading/MaterialProgress.h"

#include <cmath>

#include "BaseUI/UI/Loading/ProgressUtils.h"
#include "Platform/AppKit/NSBezierPath.h"
#include "Platform/QuartzCore/CAAnimationGroup.h"
#include "Platform/QuartzCore/CABasicAnimation.h"
#include "Platform/QuartzCore/CAShapeLayer.h"
#include "Platform/QuartzCore/CATransaction.h"

namespace {

std::shared_ptr<CABasicAnimation> strokeAnimation(const char* keyPath)
{
    auto animation = std::make_shared<CABasicAnimation>(keyPath);
    animation->setRepeatCount(1);
    animation->setSpeed(2);
    animation->setTimingFunction(CAMediaTimingFunction(CAMediaTimingFunction::Name::easeInEaseOut));
    animation->setFromValue(0);
    animation->setToValue(0.8);
    animation->setDuration(1.5);
    return animation;
}

}  // namespace

MaterialProgress::MaterialProgress(const CGRect& frame)
    : IndeterminateAnimation(frame)
{
    setUpFields();
}

MaterialProgress::MaterialProgress(const NSCoder& coder)
    : IndeterminateAnimation(coder)
{
    setUpFields();
}

void MaterialProgress::setUpFields()
{
    m_backgroundRotationLayer = CAShapeLayer::layer();
    m_progressLayer = CAShapeLayer::layer();
    m_progressLayer->setStrokeEnd(0.8);
    m_progressLayer->setLineCap(CAShapeLayerLineCap::round);
    m_progressLayer->setFillColor(NSColor::clear().cgColor());
    m_animationGroup = std::make_shared<CAAnimationGroup>();
    m_animationGroup->setRepeatCount(1);
    m_animationGroup->setDuration(1.5);
    m_rotationAnimation = std::make_shared<CABasicAnimation>("transform.rotation");
    m_rotationAnimation->setRepeatCount(CAAnimation::infinity);
    m_rotationAnimation->setFromValue(0);
    m_rotationAnimation->setToValue(1);
    m_rotationAnimation->setCumulative(true);
    m_rotationAnimation->setDuration(0.75);
}

void MaterialProgress::setLineWidth(CGFloat width)
{
    m_lineWidth = width;
    m_progressLayer->setLineWidth(width);
}

void MaterialProgress::configureLayers()
{
    IndeterminateAnimation::configureLayers();
    makeStrokeAnimationGroup();
    CGRect r = bounds();
    m_backgroundRotationLayer->setFrame(r);
    layer()->addSublayer(m_backgroundRotationLayer);
    CGFloat radius = r.width() * 0.5 * 0.75;
    m_progressLayer->setFrame(r);
    m_progressLayer->setLineWidth(m_lineWidth == -1 ? radius / 10 : m_lineWidth);
    NSBezierPath arc;
    arc.appendArc({r.midX(), r.midY()}, radius, 0, 360, false);
    m_progressLayer->setPath(cgPath(arc));
    m_backgroundRotationLayer->addSublayer(m_progressLayer);
}

void MaterialProgress::notifyViewRedesigned()
{
    IndeterminateAnimation::notifyViewRedesigned();
    m_progressLayer->setStrokeColor(foreground().cgColor());
}

void MaterialProgress::makeStrokeAnimationGroup()
{
    auto tail = strokeAnimation("strokeStart");
    tail->setBeginTime(0.75);
    m_animationGroup->setAnimations({strokeAnimation("strokeEnd"), tail});
    m_animationGroup->setDelegate(std::static_pointer_cast<MaterialProgress>(shared_from_this()));
}

void MaterialProgress::startAnimation()
{
    m_progressLayer->add(m_animationGroup, "strokeEnd");
    m_backgroundRotationLayer->add(m_rotationAnimation, m_rotationAnimation->keyPath());
}

void MaterialProgress::stopAnimation()
{
    m_backgroundRotationLayer->removeAllAnimations();
    m_progressLayer->removeAllAnimations();
}

void MaterialProgress::animationDidStop(CAAnimation&, bool)
{
    if (!animate())
        return;
    CATransaction::begin();
    CATransaction::setDisableActions(true);
    m_currentRotation = std::fmod(m_currentRotation + cycleTurn, π2);
    m_progressLayer->setAffineTransform(CGAffineTransform::rotation(m_currentRotation));
    CATransaction::commit();
    m_progressLayer->add(m_animationGroup, "strokeEnd");
}

std::optional<double> MaterialProgress::numberValue(std::string_view key) const
{
    return key == "lineWidth" ? std::optional<double>(m_lineWidth) : IndeterminateAnimation::numberValue(key);
}

bool MaterialProgress::setNumberValue(double value, std::string_view key)
{
    if (key != "lineWidth")
        return IndeterminateAnimation::setNumberValue(value, key);
    setLineWidth(value);
    return true;
}
