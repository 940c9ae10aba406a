#include "Platform/AppKit/NSViewController.h"

#include <algorithm>

#include "Platform/AppKit/NSView.h"
#include "Platform/AppKit/NSViewControllerPresentationAnimator.h"

std::shared_ptr<NSView> NSViewController::view()
{
    if (!m_view) {
        loadView();
        if (!m_view)
            m_view = NSView::make(CGRect{});
        viewDidLoad();
    }
    return m_view;
}

void NSViewController::setView(std::shared_ptr<NSView> view)
{
    m_view = std::move(view);
}

void NSViewController::loadView()
{
    m_view = NSView::make(CGRect{});
}

void NSViewController::present(const std::shared_ptr<NSViewController>& controller,
                               const std::shared_ptr<NSViewControllerPresentationAnimator>& animator)
{
    if (!controller || !animator || controller.get() == this)
        return;
    controller->m_presenting = weak_from_this();
    m_presented.push_back({controller, animator});
    animator->animatePresentation(*controller, *this);
}

void NSViewController::dismiss(const std::shared_ptr<NSViewController>& controller)
{
    auto found = std::find_if(m_presented.begin(), m_presented.end(),
                              [&](const Presentation& presentation) { return presentation.controller == controller; });
    if (found == m_presented.end())
        return;
    auto presentation = *found;
    m_presented.erase(found);
    presentation.animator->animateDismissal(*presentation.controller, *this);
    presentation.controller->m_presenting.reset();
}

void NSViewController::dismissSelf()
{
    if (auto presenting = presentingViewController())
        presenting->dismiss(shared_from_this());
}

std::vector<std::shared_ptr<NSViewController>> NSViewController::presentedViewControllers() const
{
    std::vector<std::shared_ptr<NSViewController>> controllers;
    for (const auto& presentation : m_presented)
        controllers.push_back(presentation.controller);
    return controllers;
}
