#include "Platform/AppKit/NSLayoutConstraint.h"

#include <cstdio>

#include "Platform/AppKit/NSView.h"

std::shared_ptr<NSLayoutConstraint> NSLayoutConstraint::make(const std::shared_ptr<NSView>& firstItem,
                                                             NSLayoutAttribute firstAttribute,
                                                             const std::shared_ptr<NSView>& secondItem,
                                                             NSLayoutAttribute secondAttribute, CGFloat multiplier,
                                                             CGFloat constant)
{
    return std::make_shared<NSLayoutConstraint>(firstItem, firstAttribute, secondItem, secondAttribute, multiplier, constant);
}

NSLayoutConstraint::NSLayoutConstraint(const std::shared_ptr<NSView>& firstItem, NSLayoutAttribute firstAttribute,
                                       const std::shared_ptr<NSView>& secondItem, NSLayoutAttribute secondAttribute,
                                       CGFloat multiplier, CGFloat constant)
    : m_firstItem(firstItem)
    , m_firstAttribute(firstAttribute)
    , m_secondItem(secondItem)
    , m_secondAttribute(secondItem ? secondAttribute : NSLayoutAttribute::notAnAttribute)
    , m_multiplier(multiplier)
    , m_constant(constant)
{
}

void NSLayoutConstraint::activate()
{
    if (!m_owner.expired())
        return;
    auto first = firstItem();
    auto second = secondItem();
    std::shared_ptr<NSView> owner;
    if (first && !second) {
        owner = first;
    } else if (first) {
        for (auto candidate = first; candidate && !owner; candidate = candidate->superview()) {
            if (second->isDescendant(*candidate))
                owner = candidate;
        }
    }
    if (!owner) {
        std::fprintf(stderr, "NSLayoutConstraint: its items share no ancestor; the constraint stays inactive\n");
        return;
    }
    m_owner = owner;
    owner->addConstraint(shared_from_this());
}

void NSLayoutConstraint::activate(const std::vector<std::shared_ptr<NSLayoutConstraint>>& constraints)
{
    for (const auto& constraint : constraints)
        constraint->activate();
}

bool NSLayoutConstraint::involves(const NSView& view) const
{
    return firstItem().get() == &view || secondItem().get() == &view;
}
