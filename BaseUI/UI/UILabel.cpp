#include "BaseUI/UI/UILabel.h"

#include "Platform/AppKit/NSEvent.h"

Event& UILabel::event()
{
    if (!m_event)
        m_event.emplace(weak_from_this());
    return *m_event;
}

void UILabel::setupField()
{
    UITextField::setupField();
    setEditable(false);
}

std::shared_ptr<NSView> UILabel::hitTest(CGPoint point)
{
    return m_isIgnoresMouseEvents ? nullptr : UITextField::hitTest(point);
}

void UILabel::mouseUp(const NSEvent& event)
{
    this->event().clicked(event.clickCount());
}
