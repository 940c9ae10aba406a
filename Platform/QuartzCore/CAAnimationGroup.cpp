#include "Platform/QuartzCore/CAAnimationGroup.h"

std::shared_ptr<CAAnimation> CAAnimationGroup::copy() const
{
    auto group = std::make_shared<CAAnimationGroup>(*this);
    for (auto& animation : group->m_animations)
        animation = animation->copy();
    return group;
}

void CAAnimationGroup::apply(std::string_view keyPath, CFTimeInterval parentTime, double& value) const
{
    auto local = localTime(parentTime);
    if (!local)
        return;
    CFTimeInterval cycleTime = progress(*local, nullptr) * simpleDuration();
    for (const auto& animation : m_animations)
        animation->apply(keyPath, cycleTime, value);
}
