#pragma once

#include <memory>
#include <vector>

#include "Platform/QuartzCore/CGGeometry.h"

class NSView;

// The platform's raw values; leading and trailing are left and right (the
// interface is laid out left to right).
enum class NSLayoutAttribute : int {
    notAnAttribute = 0,
    left = 1,
    right = 2,
    top = 3,
    bottom = 4,
    leading = 5,
    trailing = 6,
    width = 7,
    height = 8,
    centerX = 9,
    centerY = 10,
};

// firstItem.firstAttribute = multiplier × secondItem.secondAttribute + constant,
// required. Without a second item the attribute equals the constant. Only
// equalities: the layouts of this system need nothing else. Active constraints
// live on the nearest common ancestor of their items (a size on the view
// itself). Create them with make().
class NSLayoutConstraint : public std::enable_shared_from_this<NSLayoutConstraint> {
public:
    static std::shared_ptr<NSLayoutConstraint> make(const std::shared_ptr<NSView>& firstItem, NSLayoutAttribute firstAttribute,
                                                     const std::shared_ptr<NSView>& secondItem,
                                                     NSLayoutAttribute secondAttribute, CGFloat multiplier, CGFloat constant);

    std::shared_ptr<NSView> firstItem() const { return m_firstItem.lock(); }
    NSLayoutAttribute firstAttribute() const { return m_firstAttribute; }
    std::shared_ptr<NSView> secondItem() const { return m_secondItem.lock(); }
    NSLayoutAttribute secondAttribute() const { return m_secondAttribute; }
    CGFloat multiplier() const { return m_multiplier; }
    CGFloat constant() const { return m_constant; }

    // Activating fails (and says so on standard error) when the items share no
    // ancestor: there is no view to hold the constraint. Nothing here
    // deactivates one; a view leaving its superview takes its constraints along.
    void activate();
    static void activate(const std::vector<std::shared_ptr<NSLayoutConstraint>>& constraints);

    bool involves(const NSView& view) const;

    NSLayoutConstraint(const std::shared_ptr<NSView>& firstItem, NSLayoutAttribute firstAttribute,
                       const std::shared_ptr<NSView>& secondItem, NSLayoutAttribute secondAttribute, CGFloat multiplier,
                       CGFloat constant);

private:
    std::weak_ptr<NSView> m_firstItem;
    NSLayoutAttribute m_firstAttribute;
    std::weak_ptr<NSView> m_secondItem;
    NSLayoutAttribute m_secondAttribute;
    CGFloat m_multiplier;
    CGFloat m_constant;
    std::weak_ptr<NSView> m_owner;
};
