#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Platform/QuartzCore/CGAffineTransform.h"
#include "Platform/QuartzCore/CGColor.h"
#include "Platform/QuartzCore/CGGeometry.h"

class CAAnimation;

// A rectangle of content in a tree of layers: background, border, rounded
// corners, a transform about its anchor point, and animations that change what
// it shows over time without changing its own (model) values. Geometry is in
// the superlayer's space, y up. Create layers with CALayer::layer() or
// std::make_shared: a layer hands itself to its sublayers and the animation
// timeline.
class CALayer : public std::enable_shared_from_this<CALayer> {
public:
    static std::shared_ptr<CALayer> layer() { return std::make_shared<CALayer>(); }
    virtual ~CALayer();

    // The bounds' box in the superlayer, after the transform.
    CGRect frame() const;
    void setFrame(const CGRect& frame);
    const CGRect& bounds() const { return m_bounds; }
    void setBounds(const CGRect& bounds);
    CGPoint position() const { return m_position; }
    void setPosition(CGPoint position);
    // In unit coordinates of the bounds; the transform turns about it.
    CGPoint anchorPoint() const { return m_anchorPoint; }
    void setAnchorPoint(CGPoint point);

    std::shared_ptr<CALayer> superlayer() const { return m_superlayer.lock(); }
    const std::vector<std::shared_ptr<CALayer>>& sublayers() const { return m_sublayers; }
    void addSublayer(const std::shared_ptr<CALayer>& layer);
    void insertSublayer(const std::shared_ptr<CALayer>& layer, size_t index);
    void removeFromSuperlayer();

    const std::optional<CGColor>& backgroundColor() const { return m_backgroundColor; }
    void setBackgroundColor(std::optional<CGColor> color);
    const std::optional<CGColor>& borderColor() const { return m_borderColor; }
    void setBorderColor(std::optional<CGColor> color);
    CGFloat borderWidth() const { return m_borderWidth; }
    void setBorderWidth(CGFloat width);
    CGFloat cornerRadius() const { return m_cornerRadius; }
    void setCornerRadius(CGFloat radius);
    const CGAffineTransform& affineTransform() const { return m_transform; }
    void setAffineTransform(const CGAffineTransform& transform);
    bool isHidden() const { return m_hidden; }
    void setHidden(bool hidden);
    float opacity() const { return m_opacity; }
    void setOpacity(float opacity);
    bool masksToBounds() const { return m_masksToBounds; }
    void setMasksToBounds(bool masks);

    // Animations by key; adding under a key that is taken replaces the one
    // there. The layer keeps a copy, started now unless its begin time says
    // otherwise; a null key gets a key of its own that no one can ask for.
    void add(const std::shared_ptr<CAAnimation>& animation, std::optional<std::string> key);
    std::shared_ptr<CAAnimation> animation(std::string_view key) const;
    std::vector<std::string> animationKeys() const;
    void removeAnimation(std::string_view key);
    void removeAllAnimations();

    // The animatable numbers by key path: "opacity", "borderWidth",
    // "cornerRadius", "transform.rotation" and, on shape layers, "strokeStart",
    // "strokeEnd", "lineWidth". Unknown key paths read as none.
    virtual std::optional<double> value(std::string_view keyPath) const;
    virtual bool setValue(double value, std::string_view keyPath);
    // What the layer shows for `keyPath` at media time `time`: its own value
    // run through its animations.
    double presentationValue(std::string_view keyPath, CFTimeInterval time) const;
    // The transform shown at `time`, with an animated rotation in it.
    CGAffineTransform presentationTransform(CFTimeInterval time) const;

private:
    friend class AnimationTimeline;
    // Off the layer without telling the delegate (it ended by itself).
    void detachAnimation(std::string_view key);

protected:
    // Marks a change for the next redraw.
    static void changed();
    template<typename T>
    void update(T& field, T value)
    {
        if (field == value)
            return;
        field = std::move(value);
        changed();
    }

private:
    CGRect m_bounds;
    CGPoint m_position;
    CGPoint m_anchorPoint{0.5, 0.5};
    std::weak_ptr<CALayer> m_superlayer;
    std::vector<std::shared_ptr<CALayer>> m_sublayers;
    std::optional<CGColor> m_backgroundColor;
    std::optional<CGColor> m_borderColor;
    CGFloat m_borderWidth = 0;
    CGFloat m_cornerRadius = 0;
    CGAffineTransform m_transform;
    bool m_hidden = false;
    float m_opacity = 1;
    bool m_masksToBounds = false;
    std::vector<std::pair<std::string, std::shared_ptr<CAAnimation>>> m_animations;
    unsigned m_nextAnonymousKey = 0;
};
