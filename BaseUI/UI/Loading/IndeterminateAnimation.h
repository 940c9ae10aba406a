#pragma once

#include "BaseUI/UI/Loading/BaseView.h"

// A BaseView with an on/off switch for an animation its subclass provides.
class IndeterminateAnimation : public BaseView {
public:
    using BaseView::BaseView;

    // Keep the view shown when the animation is switched off.
    bool displayAfterAnimationEnds() const { return m_displayAfterAnimationEnds; }
    void setDisplayAfterAnimationEnds(bool display) { m_displayAfterAnimationEnds = display; }
    bool animate() const { return m_animate; }
    // On: shows the view, then starts. Off: hides it (unless it is to stay),
    // then stops. Writing the value it has does nothing.
    void setAnimate(bool animate);

    // Each subclass provides both; the base versions end the program.
    virtual void startAnimation();
    virtual void stopAnimation();

private:
    bool m_displayAfterAnimationEnds = false;
    bool m_animate = false;
};
