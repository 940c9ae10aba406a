#pragma once

#include "Platform/AppKit/NSViewControllerPresentationAnimator.h"

// Presents a controller by putting its view, at its own frame, inside the
// presenting controller's view, without animation; dismissing takes it out.
class KvBasePresentAnimator : public NSViewControllerPresentationAnimator {
public:
    void animatePresentation(NSViewController& viewController, NSViewController& fromViewController) override;
    void animateDismissal(NSViewController& viewController, NSViewController& fromViewController) override;
};
