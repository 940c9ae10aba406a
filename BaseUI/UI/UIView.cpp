#include "BaseUI/UI/UIView.h"

#include "BaseUI/UI/Loading/ProgressView.h"
#include "Platform/AppKit/NSEvent.h"

UIView::UIView(const CGRect& frame)
    : NSView(frame)
{
    setWantsLayer(true);
}

UIView::UIView(const NSCoder& coder)
    : NSView(coder)
{
    setWantsLayer(true);
}

Event& UIView::event()
{
    if (!m_event)
        m_event.emplace(weak_from_this());
    return *m_event;
}

const std::shared_ptr<ProgressView>& UIView::loadingProgress()
{
    if (!m_loadingProgress)
        m_loadingProgress = NSView::make<ProgressView>(bounds());
    return m_loadingProgress;
}

void UIView::mouseEntered(const NSEvent&)
{
    m_style.mouseEntered();
}

void UIView::mouseExited(const NSEvent&)
{
    m_style.mouseExited();
}

void UIView::mouseUp(const NSEvent& event)
{
    this->event().clicked(event.clickCount());
}
