#include "Platform/AppKit/NSSheetPresentationAnimator.h"

#include "Platform/AppKit/NSView.h"
#include "Platform/AppKit/NSViewController.h"
#include "Platform/AppKit/NSWindow.h"

void NSSheetPresentationAnimator::animatePresentation(NSViewController& viewController,
                                                      NSViewController& fromViewController)
{
    auto content = viewController.view();
    m_window = NSWindow::make({{0, 0}, content->frame().size});
    m_window->setContentViewController(viewController.shared_from_this());
    auto parent = fromViewController.isViewLoaded() ? fromViewController.view()->window() : nullptr;
    if (parent)
        parent->beginSheet(m_window);
    else
        m_window->makeKeyAndOrderFront();
}

void NSSheetPresentationAnimator::animateDismissal(NSViewController&, NSViewController&)
{
    auto sheet = std::move(m_window);
    if (!sheet)
        return;
    if (auto parent = sheet->sheetParent())
        parent->endSheet(sheet);
    else
        sheet->close();
}
