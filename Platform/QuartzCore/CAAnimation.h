#pragma once

#include <limits>
#include <memory>
#include <optional>
#include <string_view>

#include "Platform/QuartzCore/CAMediaTimingFunction.h"
#include "Platform/QuartzCore/CGGeometry.h"

class CAAnimationDelegate;

// An animation's timing, shared by every kind. Times are in the parent's time:
// the media clock for an animation on a layer, the group's cycle for one inside
// a group. A layer copies an animation when it takes it, so changing one after
// adding it changes nothing on screen.
class CAAnimation {
public:
    static constexpr double infinity = std::numeric_limits<double>::infinity();
    // What a zero duration means.
    static constexpr CFTimeInterval defaultDuration = 0.25;

    virtual ~CAAnimation() = default;
    virtual std::shared_ptr<CAAnimation> copy() const = 0;

    // Folds what this animation does to `keyPath` at `parentTime` into `value`
    // (the value of the layer and of the animations before this one).
    virtual void apply(std::string_view keyPath, CFTimeInterval parentTime, double& value) const = 0;

    // Zero on an animation added to a layer means "when it is added".
    CFTimeInterval beginTime() const { return m_beginTime; }
    void setBeginTime(CFTimeInterval time) { m_beginTime = time; }
    CFTimeInterval duration() const { return m_duration; }
    void setDuration(CFTimeInterval duration) { m_duration = duration; }
    double speed() const { return m_speed; }
    void setSpeed(double speed) { m_speed = speed; }
    CFTimeInterval timeOffset() const { return m_timeOffset; }
    void setTimeOffset(CFTimeInterval offset) { m_timeOffset = offset; }
    // Zero and one both mean one cycle; `infinity` repeats for ever.
    double repeatCount() const { return m_repeatCount; }
    void setRepeatCount(double count) { m_repeatCount = count; }
    bool isRemovedOnCompletion() const { return m_removedOnCompletion; }
    void setRemovedOnCompletion(bool removed) { m_removedOnCompletion = removed; }
    const std::optional<CAMediaTimingFunction>& timingFunction() const { return m_timingFunction; }
    void setTimingFunction(std::optional<CAMediaTimingFunction> function) { m_timingFunction = std::move(function); }

    // Not kept alive by the animation.
    std::shared_ptr<CAAnimationDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<CAAnimationDelegate> delegate) { m_delegate = std::move(delegate); }

    // How long the animation runs in its parent's time; infinity when endless.
    CFTimeInterval activeDuration() const;

protected:
    CFTimeInterval simpleDuration() const { return m_duration > 0 ? m_duration : defaultDuration; }
    // The time inside the animation's own timeline for a parent time, or none
    // while it has not started or has ended.
    std::optional<CFTimeInterval> localTime(CFTimeInterval parentTime) const;
    // The progress (0 to 1) through the current cycle at local time `local`,
    // through the timing function, and the number of cycles completed before it.
    CGFloat progress(CFTimeInterval local, double* completedCycles) const;

private:
    CFTimeInterval m_beginTime = 0;
    CFTimeInterval m_duration = 0;
    double m_speed = 1;
    CFTimeInterval m_timeOffset = 0;
    double m_repeatCount = 0;
    bool m_removedOnCompletion = true;
    std::optional<CAMediaTimingFunction> m_timingFunction;
    std::weak_ptr<CAAnimationDelegate> m_delegate;
};
