#pragma once

class CAAnimation;

// Told when an animation ends, on the main run loop: `finished` is true when it
// ran its whole time, false when it was removed from its layer before that.
class CAAnimationDelegate {
public:
    virtual ~CAAnimationDelegate() = default;
    virtual void animationDidStop(CAAnimation& animation, bool finished) = 0;
};
