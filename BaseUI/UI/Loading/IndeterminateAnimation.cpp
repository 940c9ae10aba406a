#include "BaseUI/UI/Loading/IndeterminateAnimation.h"

#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void abstractFunction()
{
    std::fputs("This is an abstract function\n", stderr);
    std::abort();
}

}  // namespace

void IndeterminateAnimation::setAnimate(bool animate)
{
    if (animate == m_animate)
        return;
    m_animate = animate;
    if (animate) {
        setHidden(false);
        startAnimation();
    } else {
        if (!m_displayAfterAnimationEnds)
            setHidden(true);
        stopAnimation();
    }
}

void IndeterminateAnimation::startAnimation()
{
    abstractFunction();
}

void IndeterminateAnimation::stopAnimation()
{
    abstractFunction();
}
