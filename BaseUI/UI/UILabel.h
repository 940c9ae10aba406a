#pragma once

#include <optional>

#include "BaseUI/Style/Event.h"
#include "BaseUI/UI/UITextField.h"

// The kit's static text: a field that cannot be edited, with no border or
// background of its own, click closures, and the choice to let every click
// through to the views behind.
class UILabel : public UITextField {
public:
    using UITextField::UITextField;

    Event& event();
    bool isIgnoresMouseEvents() const { return m_isIgnoresMouseEvents; }
    void setIsIgnoresMouseEvents(bool ignores) { m_isIgnoresMouseEvents = ignores; }

    void setupField() override;
    void applyDefaultStyle() override {}
    std::shared_ptr<NSView> hitTest(CGPoint point) override;
    void mouseUp(const NSEvent& event) override;

private:
    std::optional<Event> m_event;
    bool m_isIgnoresMouseEvents = false;
};
