#pragma once

#include <memory>
#include <vector>

#include "Platform/QuartzCore/CAAnimation.h"

// Runs its animations together on its own timeline: their begin times count
// from the group's start, and each stops when the group's cycle does.
class CAAnimationGroup : public CAAnimation {
public:
    const std::vector<std::shared_ptr<CAAnimation>>& animations() const { return m_animations; }
    void setAnimations(std::vector<std::shared_ptr<CAAnimation>> animations) { m_animations = std::move(animations); }

    std::shared_ptr<CAAnimation> copy() const override;
    void apply(std::string_view keyPath, CFTimeInterval parentTime, double& value) const override;

private:
    std::vector<std::shared_ptr<CAAnimation>> m_animations;
};
