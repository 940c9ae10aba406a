#include "Platform/QuartzCore/CALayer.h"

#include <algorithm>

#include "Platform/QuartzCore/AnimationTimeline.h"
#include "Platform/QuartzCore/CAAnimation.h"
#include "Platform/QuartzCore/CATransaction.h"
#include "Platform/QuartzCore/MediaClock.h"

namespace {

bool isRotation(std::string_view keyPath)
{
    return keyPath == "transform.rotation" || keyPath == "transform.rotation.z";
}

}  // namespace

CALayer::~CALayer()
{
    for (auto& sublayer : m_sublayers)
        sublayer->m_superlayer.reset();
}

void CALayer::changed()
{
    CATransaction::noteChange();
}

CGRect CALayer::frame() const
{
    CGPoint anchor{m_anchorPoint.x * m_bounds.size.width, m_anchorPoint.y * m_bounds.size.height};
    auto map = CGAffineTransform::translation(-anchor.x, -anchor.y)
                   .concatenating(m_transform)
                   .concatenating(CGAffineTransform::translation(m_position.x, m_position.y));
    return map.apply(CGRect{0, 0, m_bounds.size.width, m_bounds.size.height});
}

void CALayer::setFrame(const CGRect& frame)
{
    setPosition({frame.minX() + m_anchorPoint.x * frame.width(), frame.minY() + m_anchorPoint.y * frame.height()});
    setBounds({m_bounds.origin, CGSize{frame.width(), frame.height()}});
}

void CALayer::setBounds(const CGRect& bounds)
{
    update(m_bounds, bounds);
}

void CALayer::setPosition(CGPoint position)
{
    update(m_position, position);
}

void CALayer::setAnchorPoint(CGPoint point)
{
    update(m_anchorPoint, point);
}

void CALayer::addSublayer(const std::shared_ptr<CALayer>& layer)
{
    insertSublayer(layer, m_sublayers.size());
}

void CALayer::insertSublayer(const std::shared_ptr<CALayer>& layer, size_t index)
{
    if (!layer || layer.get() == this)
        return;
    auto keep = layer;
    layer->removeFromSuperlayer();
    index = std::min(index, m_sublayers.size());
    m_sublayers.insert(m_sublayers.begin() + static_cast<std::ptrdiff_t>(index), layer);
    layer->m_superlayer = weak_from_this();
    changed();
}

void CALayer::removeFromSuperlayer()
{
    auto parent = m_superlayer.lock();
    m_superlayer.reset();
    if (!parent)
        return;
    std::erase_if(parent->m_sublayers, [this](const auto& layer) { return layer.get() == this; });
    changed();
}

void CALayer::setBackgroundColor(std::optional<CGColor> color)
{
    update(m_backgroundColor, color);
}

void CALayer::setBorderColor(std::optional<CGColor> color)
{
    update(m_borderColor, color);
}

void CALayer::setBorderWidth(CGFloat width)
{
    update(m_borderWidth, width);
}

void CALayer::setCornerRadius(CGFloat radius)
{
    update(m_cornerRadius, radius);
}

void CALayer::setAffineTransform(const CGAffineTransform& transform)
{
    update(m_transform, transform);
}

void CALayer::setHidden(bool hidden)
{
    update(m_hidden, hidden);
}

void CALayer::setOpacity(float opacity)
{
    update(m_opacity, opacity);
}

void CALayer::setMasksToBounds(bool masks)
{
    update(m_masksToBounds, masks);
}

void CALayer::add(const std::shared_ptr<CAAnimation>& animation, std::optional<std::string> key)
{
    if (!animation)
        return;
    auto running = animation->copy();
    if (running->beginTime() == 0)
        running->setBeginTime(MediaClock::now());
    std::string name = key ? *key : "\x1f" + std::to_string(m_nextAnonymousKey++);
    removeAnimation(name);
    m_animations.emplace_back(name, running);
    AnimationTimeline::shared().animationAdded(shared_from_this(), name, running);
    changed();
}

std::shared_ptr<CAAnimation> CALayer::animation(std::string_view key) const
{
    for (const auto& [name, animation] : m_animations) {
        if (name == key)
            return animation;
    }
    return nullptr;
}

std::vector<std::string> CALayer::animationKeys() const
{
    std::vector<std::string> keys;
    for (const auto& entry : m_animations) {
        if (entry.first.front() != '\x1f')
            keys.push_back(entry.first);
    }
    return keys;
}

void CALayer::removeAnimation(std::string_view key)
{
    auto removed = animation(key);
    if (!removed)
        return;
    detachAnimation(key);
    AnimationTimeline::shared().animationRemoved(removed);
}

void CALayer::removeAllAnimations()
{
    auto animations = std::move(m_animations);
    m_animations.clear();
    for (auto& entry : animations)
        AnimationTimeline::shared().animationRemoved(entry.second);
    if (!animations.empty())
        changed();
}

void CALayer::detachAnimation(std::string_view key)
{
    std::erase_if(m_animations, [&](const auto& entry) { return entry.first == key; });
    changed();
}

std::optional<double> CALayer::value(std::string_view keyPath) const
{
    if (keyPath == "opacity")
        return m_opacity;
    if (keyPath == "borderWidth")
        return m_borderWidth;
    if (keyPath == "cornerRadius")
        return m_cornerRadius;
    if (isRotation(keyPath))
        return m_transform.rotationAngle();
    return std::nullopt;
}

bool CALayer::setValue(double value, std::string_view keyPath)
{
    if (keyPath == "opacity")
        setOpacity(static_cast<float>(value));
    else if (keyPath == "borderWidth")
        setBorderWidth(value);
    else if (keyPath == "cornerRadius")
        setCornerRadius(value);
    else if (isRotation(keyPath))
        setAffineTransform(CGAffineTransform::rotation(value));
    else
        return false;
    return true;
}

double CALayer::presentationValue(std::string_view keyPath, CFTimeInterval time) const
{
    double result = value(keyPath).value_or(0);
    for (const auto& entry : m_animations)
        entry.second->apply(keyPath, time, result);
    return result;
}

CGAffineTransform CALayer::presentationTransform(CFTimeInterval time) const
{
    double own = m_transform.rotationAngle();
    double shown = presentationValue("transform.rotation", time);
    if (shown == own)
        return m_transform;
    return CGAffineTransform::rotation(shown - own).concatenating(m_transform);
}
