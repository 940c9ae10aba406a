#include "BaseUI/Theme/KvBasePresentAnimator.h"

#include "Platform/AppKit/NSView.h"
#include "Platform/AppKit/NSViewController.h"

void KvBasePresentAnimator::animatePresentation(NSViewController& viewController, NSViewController& fromViewController)
{
    fromViewController.view()->addSubview(viewController.view());
}

void KvBasePresentAnimator::animateDismissal(NSViewController& viewController, NSViewController&)
{
    viewController.view()->removeFromSuperview();
}
