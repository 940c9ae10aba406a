#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Platform/QuartzCore/CGGeometry.h"

class CAAnimation;
class CALayer;

// Watches the animations attached to layers: when one has run its time it is
// taken off its layer and its delegate is told on the main run loop. On the
// system clock a main-queue timer wakes it at each end; a driven clock wakes it
// whenever it is advanced.
class AnimationTimeline {
public:
    static AnimationTimeline& shared();

    void animationAdded(const std::shared_ptr<CALayer>& layer, const std::string& key,
                        const std::shared_ptr<CAAnimation>& animation);
    // Taken off before its end: the delegate hears finished = false.
    void animationRemoved(const std::shared_ptr<CAAnimation>& animation);
    void endAnimationsDue();

    // Whether some living layer still runs an animation: a display keeps
    // drawing frames while this holds.
    bool hasRunningAnimations();

private:
    struct Entry {
        std::weak_ptr<CALayer> layer;
        std::string key;
        std::shared_ptr<CAAnimation> animation;
        CFTimeInterval end = 0;
    };
    static void tellDelegate(const std::shared_ptr<CAAnimation>& animation, bool finished);
    void wakeAt(CFTimeInterval end);

    std::vector<Entry> m_entries;
};
