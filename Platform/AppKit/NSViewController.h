#pragma once

#include <memory>
#include <vector>

#include "Platform/AppKit/NSResponder.h"

class NSView;
class NSViewControllerPresentationAnimator;

// Manages one view: made by loadView() the first time it is asked for, then
// viewDidLoad(). The controller hears its view come on screen (its window, or
// the window it moved into, is visible) and leave it again: viewDidAppear()
// and viewDidDisappear(), once per change. A controller can present another through an animator, or as a
// sheet of its window, and dismiss it again. Create controllers with
// std::make_shared.
class NSViewController : public NSResponder, public std::enable_shared_from_this<NSViewController> {
public:
    ~NSViewController() override = default;

    // Loads the view when it has none yet.
    std::shared_ptr<NSView> view();
    void setView(std::shared_ptr<NSView> view);
    bool isViewLoaded() const { return m_view != nullptr; }

    // The animator shows `controller`'s view; this controller keeps the
    // presented controller (and its animator) until it is dismissed.
    void present(const std::shared_ptr<NSViewController>& controller,
                 const std::shared_ptr<NSViewControllerPresentationAnimator>& animator);
    // `controller`'s view in a window of its own, as a sheet of this
    // controller's window (a window of its own in front when this view is in
    // none). The sheet ends when the controller is dismissed.
    void presentAsSheet(const std::shared_ptr<NSViewController>& controller);
    // Dismisses a controller this one presented.
    void dismiss(const std::shared_ptr<NSViewController>& controller);
    // Dismisses this controller, asking the one that presented it (the
    // platform's dismiss with this controller as the one to go).
    void dismissSelf();
    std::shared_ptr<NSViewController> presentingViewController() const { return m_presenting.lock(); }

protected:
    // Makes an empty view; a subclass builds its own.
    virtual void loadView();
    virtual void viewDidLoad() {}
    virtual void viewDidAppear() {}
    virtual void viewDidDisappear() {}

private:
    friend class NSView;
    void noteShown(bool shown);

    struct Presentation {
        std::shared_ptr<NSViewController> controller;
        std::shared_ptr<NSViewControllerPresentationAnimator> animator;
    };

    std::shared_ptr<NSView> m_view;
    std::weak_ptr<NSViewController> m_presenting;
    std::vector<Presentation> m_presented;
    bool m_shown = false;
};
