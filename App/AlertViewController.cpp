#include "App/AlertViewController.h"

#include <algorithm>

#include "BaseUI/Kit/KitColor.h"
#include "BaseUI/UI/UIButton.h"
#include "BaseUI/UI/UILabel.h"
#include "BaseUI/UI/UIView.h"
#include "Platform/Layout/TethraAnchors.h"

std::shared_ptr<AlertViewController>& AlertViewController::currentAlert()
{
    static std::shared_ptr<AlertViewController> alert;
    return alert;
}

void AlertViewController::show(const std::string& title, const std::string& msg, const std::string& btnTitle,
                               NSViewController& from, std::function<void()> didDisappear)
{
    auto alert = std::make_shared<AlertViewController>();
    currentAlert() = alert;
    alert->cancelBtn()->setTitle(btnTitle);
    alert->titleLabel()->setStringValue(title);
    alert->msgLabel()->setStringValue(msg);
    alert->didDisappear = std::move(didDisappear);
    from.presentAsSheet(alert);
}

const std::shared_ptr<UIButton>& AlertViewController::cancelBtn()
{
    if (!m_cancelBtn) {
        auto self = std::static_pointer_cast<UIViewController>(shared_from_this());
        m_cancelBtn = NSButton::withTitle<UIButton>("好的", self, &UIViewController::disappear);
        m_cancelBtn->setAlignment(NSTextAlignment::right);
        m_cancelBtn->text().setColor(KitColor::rgb(235, 100, 75));
        m_cancelBtn->text().setFontSize(16);
    }
    return m_cancelBtn;
}

const std::shared_ptr<UILabel>& AlertViewController::titleLabel()
{
    if (!m_titleLabel) {
        m_titleLabel = NSView::make<UILabel>(CGRect{});
        m_titleLabel->text().setColor(KitColor::grey(70, 1));
        m_titleLabel->text().setFontSize(14);
        m_titleLabel->setAlignment(NSTextAlignment::center);
    }
    return m_titleLabel;
}

const std::shared_ptr<UILabel>& AlertViewController::msgLabel()
{
    if (!m_msgLabel) {
        m_msgLabel = NSView::make<UILabel>(CGRect{});
        m_msgLabel->text().setColor(KitColor::rgb(30, 100, 200));
        m_msgLabel->text().setFontSize(14);
        m_msgLabel->setUsesSingleLineMode(false);
    }
    return m_msgLabel;
}

void AlertViewController::loadView()
{
    setView(NSView::make<UIView>(CGRect{0, 0, width, height}));
}

void AlertViewController::viewDidLoad()
{
    UIViewController::viewDidLoad();
    auto content = view();
    // A message of more than one line would be cut off in the label's 30
    // points: the label is as tall as its text needs, and the sheet grows by
    // the difference, so the title stays at the top and the button at the
    // bottom.
    CGFloat needed = msgLabel()->cell()->cellSizeForBounds({0, 0, width - 20, messageHeight}).height;
    CGFloat message = std::max(messageHeight, needed);
    content->setFrameSize({width, height + message - messageHeight});
    content->addSubview(titleLabel());
    TethraAnchors(titleLabel()).top(10).left(0).right(0).height(32);
    content->addSubview(msgLabel());
    TethraAnchors(msgLabel()).left(10).below(titleLabel(), 0).right(10).height(message);
    content->addSubview(cancelBtn());
    TethraAnchors(cancelBtn()).bottom(5).right(10).width(100).height(28);
}

void AlertViewController::viewDidDisappear()
{
    UIViewController::viewDidDisappear();
    // Clearing the reference may release this alert; it lives to the end here.
    auto keep = shared_from_this();
    currentAlert().reset();
    if (didDisappear)
        didDisappear();
}
