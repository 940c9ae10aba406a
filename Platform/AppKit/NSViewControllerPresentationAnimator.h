#pragma once

#include <memory>

class NSViewController;

// Shows a presented controller's view for its presenter, and takes it away.
class NSViewControllerPresentationAnimator {
public:
    virtual ~NSViewControllerPresentationAnimator() = default;
    virtual void animatePresentation(NSViewController& viewController, NSViewController& fromViewController) = 0;
    virtual void animateDismissal(NSViewController& viewController, NSViewController& fromViewController) = 0;
};
