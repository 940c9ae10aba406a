#pragma once

#include <memory>

#include "Platform/AppKit/NSViewController.h"

class NSButton;
class UIButton;
class UIView;

// The settings app's base controller: it knows whether its view has been on
// screen yet, and can dismiss itself from a button.
class UIViewController : public NSViewController {
public:
    // True until the view has appeared the first time.
    bool isFirstAppear() const { return m_isFirstAppear; }
    // Made on first use; nothing in the app shows them.
    const std::shared_ptr<UIView>& baseView();
    const std::shared_ptr<UIButton>& backbtn();

    // The action that dismisses this controller.
    void disappear(NSButton& sender);

protected:
    void viewDidAppear() override;

private:
    bool m_isFirstAppear = true;
    std::shared_ptr<UIView> m_baseView;
    std::shared_ptr<UIButton> m_backbtn;
};
