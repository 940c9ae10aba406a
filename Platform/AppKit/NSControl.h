#pragma once

#include <functional>
#include <memory>

#include "Platform/AppKit/NSFont.h"
#include "Platform/AppKit/NSText.h"
#include "Platform/AppKit/NSView.h"

// A view the user acts on: it has a font, an alignment, a tag, an enabled
// state and sends its action to its target when used.
class NSControl : public NSView {
public:
    // What using the control does; the control itself is the sender.
    using Action = std::function<void(NSControl& sender)>;

    using NSView::NSView;

    virtual NSFont font() const { return m_font; }
    virtual void setFont(const NSFont& font);
    virtual NSTextAlignment alignment() const { return m_alignment; }
    virtual void setAlignment(NSTextAlignment alignment);
    int tag() const { return m_tag; }
    void setTag(int tag) { m_tag = tag; }
    bool isEnabled() const { return m_enabled; }
    virtual void setEnabled(bool enabled);
    NSFocusRingType focusRingType() const { return m_focusRingType; }
    void setFocusRingType(NSFocusRingType type) { m_focusRingType = type; }

    // The target is not kept alive: once it is gone the action does nothing.
    // A null target leaves the action standing alone.
    std::shared_ptr<void> target() const { return m_target.lock(); }
    void setTarget(const std::shared_ptr<void>& target);
    void setAction(Action action) { m_action = std::move(action); }
    // The target and a method of it as the action, in one step; the method is
    // called only when the sender is a `Sender`.
    template<class T, class Sender>
    void setAction(const std::shared_ptr<T>& target, void (T::*method)(Sender&))
    {
        std::weak_ptr<T> weak = target;
        setTarget(target);
        setAction([weak, method](NSControl& sender) {
            auto object = weak.lock();
            auto* typed = dynamic_cast<Sender*>(&sender);
            if (object && typed)
                ((*object).*method)(*typed);
        });
    }

    bool isAccessibilityEnabled() const override { return isEnabled(); }

    // Runs the action when the control is enabled and its target, if it had
    // one, is still there; false when nothing ran.
    bool sendAction();

private:
    NSFont m_font = NSFont::systemFont(NSFont::systemFontSize);
    NSTextAlignment m_alignment = NSTextAlignment::natural;
    int m_tag = 0;
    bool m_enabled = true;
    NSFocusRingType m_focusRingType = NSFocusRingType::automatic;
    std::weak_ptr<void> m_target;
    bool m_hasTarget = false;
    Action m_action;
};
