#pragma once

#include <memory>

#include "Platform/AppKit/NSViewControllerPresentationAnimator.h"

class NSWindow;

// What presentAsSheet() presents through: the presented controller's view in
// a window of its view's size, begun as a sheet of the presenting view's
// window; dismissal ends the sheet. A presenter in no window shows the window
// on its own instead.
class NSSheetPresentationAnimator : public NSViewControllerPresentationAnimator {
public:
    void animatePresentation(NSViewController& viewController, NSViewController& fromViewController) override;
    void animateDismissal(NSViewController& viewController, NSViewController& fromViewController) override;

private:
    // Kept while presented (the presentation keeps the animator).
    std::shared_ptr<NSWindow> m_window;
};
