#include "App/UIViewController.h"

#include "BaseUI/UI/UIButton.h"
#include "BaseUI/UI/UIView.h"

const std::shared_ptr<UIView>& UIViewController::baseView()
{
    if (!m_baseView)
        m_baseView = NSView::make<UIView>(CGRect{});
    return m_baseView;
}

const std::shared_ptr<UIButton>& UIViewController::backbtn()
{
    if (!m_backbtn)
        m_backbtn = NSView::make<UIButton>(CGRect{});
    return m_backbtn;
}

void UIViewController::disappear(NSButton&)
{
    dismissSelf();
}

void UIViewController::viewDidAppear()
{
    NSViewController::viewDidAppear();
    if (m_isFirstAppear)
        m_isFirstAppear = false;
}
