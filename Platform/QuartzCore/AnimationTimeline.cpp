#include "Platform/QuartzCore/AnimationTimeline.h"

#include <algorithm>
#include <cmath>

#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/QuartzCore/CAAnimation.h"
#include "Platform/QuartzCore/CAAnimationDelegate.h"
#include "Platform/QuartzCore/CALayer.h"
#include "Platform/QuartzCore/MediaClock.h"

AnimationTimeline& AnimationTimeline::shared()
{
    static AnimationTimeline* timeline = new AnimationTimeline;
    return *timeline;
}

void AnimationTimeline::animationAdded(const std::shared_ptr<CALayer>& layer, const std::string& key,
                                       const std::shared_ptr<CAAnimation>& animation)
{
    CFTimeInterval end = animation->beginTime() + animation->activeDuration();
    m_entries.push_back({layer, key, animation, end});
    if (std::isfinite(end))
        wakeAt(end);
}

void AnimationTimeline::animationRemoved(const std::shared_ptr<CAAnimation>& animation)
{
    auto entry = std::find_if(m_entries.begin(), m_entries.end(),
                              [&](const Entry& candidate) { return candidate.animation == animation; });
    if (entry == m_entries.end())
        return;
    m_entries.erase(entry);
    tellDelegate(animation, false);
}

void AnimationTimeline::endAnimationsDue()
{
    // A clock moved in steps lands a rounding error short of an end it was
    // meant to reach.
    CFTimeInterval now = MediaClock::now() + 1e-6;
    std::vector<Entry> due;
    std::erase_if(m_entries, [&](Entry& entry) {
        if (entry.end > now)
            return false;
        due.push_back(std::move(entry));
        return true;
    });
    std::stable_sort(due.begin(), due.end(), [](const Entry& a, const Entry& b) { return a.end < b.end; });
    for (auto& entry : due) {
        auto layer = entry.layer.lock();
        if (layer && entry.animation->isRemovedOnCompletion() && layer->animation(entry.key) == entry.animation)
            layer->detachAnimation(entry.key);
        tellDelegate(entry.animation, true);
    }
}

bool AnimationTimeline::hasRunningAnimations()
{
    std::erase_if(m_entries, [](const Entry& entry) { return entry.layer.expired(); });
    return !m_entries.empty();
}

void AnimationTimeline::tellDelegate(const std::shared_ptr<CAAnimation>& animation, bool finished)
{
    if (!animation->delegate())
        return;
    DispatchQueue::main().async([animation, finished] {
        if (auto delegate = animation->delegate())
            delegate->animationDidStop(*animation, finished);
    });
}

void AnimationTimeline::wakeAt(CFTimeInterval end)
{
    if (MediaClock::isDriven())
        return;
    // A little late rather than early, so the animation has surely ended.
    CFTimeInterval delay = std::max<CFTimeInterval>(0, end - MediaClock::now()) + 0.001;
    DispatchQueue::main().asyncAfter(delay, [] { AnimationTimeline::shared().endAnimationsDue(); });
}
