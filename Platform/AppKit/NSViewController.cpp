#include "Platform/AppKit/NSViewController.h"

#include <algorithm>

#include "Platform/AppKit/NSSheetPresentationAnimator.h"
#include "Platform/AppKit/NSView.h"
#include "Platform/AppKit/NSViewControllerPresentationAnimator.h"
#include "Platform/AppKit/NSWindow.h"

std::shared_ptr<NSView> NSViewController::view()
{
    if (!m_view) {
        loadView();
        if (!m_view)
            m_view = NSView::make(CGRect{});
        m_view->m_viewController = weak_from_this();
        viewDidLoad();
    }
    return m_view;
}

void NSViewController::setView(std::shared_ptr<NSView> view)
{
    if (m_view && m_view->m_viewController.lock().get() == this)
        m_view->m_viewController.reset();
    m_view = std::move(view);
    if (m_view)
        m_view->m_viewController = weak_from_this();
}

void NSViewController::loadView()
{
    setView(NSView::make(CGRect{}));
}

void NSViewController::noteShown(bool shown)
{
    if (shown == m_shown)
        return;
    // The handlers may let go of the last other reference to this controller.
    auto keep = shared_from_this();
    m_shown = shown;
    if (shown)
        viewDidAppear();
    else
        viewDidDisappear();
}

void NSViewController::present(const std::shared_ptr<NSViewController>& controller,
                               const std::shared_ptr<NSViewControllerPresentationAnimator>& animator)
{
    if (!controller || !animator || controller.get() == this || controller->presentingViewController())
        return;
    controller->m_presenting = weak_from_this();
    m_presented.push_back({controller, animator});
    animator->animatePresentation(*controller, *this);
}

void NSViewController::presentAsSheet(const std::shared_ptr<NSViewController>& controller)
{
    present(controller, std::make_shared<NSSheetPresentationAnimator>());
}

void NSViewController::dismiss(const std::shared_ptr<NSViewController>& controller)
{
    auto found = std::find_if(m_presented.begin(), m_presented.end(),
                              [&](const Presentation& presentation) { return presentation.controller == controller; });
    if (found == m_presented.end())
        return;
    auto presentation = *found;
    m_presented.erase(found);
    presentation.controller->m_presenting.reset();
    presentation.animator->animateDismissal(*presentation.controller, *this);
}

void NSViewController::dismissSelf()
{
    if (auto presenting = presentingViewController())
        presenting->dismiss(shared_from_this());
}
