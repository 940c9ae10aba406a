#pragma once

#include <memory>

#include "BaseUI/UI/UILabel.h"
#include "BaseUI/UI/UIView.h"

// A UIView that carries a hint and a label for its user to place.
class UIInteractiveView : public UIView {
public:
    explicit UIInteractiveView(const CGRect& frame)
        : UIView(frame)
    {
    }
    explicit UIInteractiveView(const NSCoder& coder)
        : UIView(coder)
    {
    }

    const std::shared_ptr<UILabel>& hint() const { return m_hint; }
    const std::shared_ptr<UILabel>& label() const { return m_label; }

private:
    std::shared_ptr<UILabel> m_hint = NSView::make<UILabel>(CGRect{});
    std::shared_ptr<UILabel> m_label = NSView::make<UILabel>(CGRect{});
};
