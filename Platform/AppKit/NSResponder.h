#pragma once

#include <memory>

class NSEvent;

// Something that handles events. A handler that does not take an event passes
// it to the next responder (a view's superview, then its window).
class NSResponder {
public:
    virtual ~NSResponder() = default;

    virtual std::shared_ptr<NSResponder> nextResponder() const { return nullptr; }

    virtual void mouseDown(const NSEvent& event);
    virtual void mouseUp(const NSEvent& event);
    virtual void mouseDragged(const NSEvent& event);
    virtual void rightMouseDown(const NSEvent& event);
    virtual void rightMouseUp(const NSEvent& event);
    virtual void mouseMoved(const NSEvent& event);
    virtual void mouseEntered(const NSEvent& event);
    virtual void mouseExited(const NSEvent& event);
    virtual void keyDown(const NSEvent& event);

    virtual bool acceptsFirstResponder() const { return false; }
    virtual bool becomeFirstResponder() { return true; }
    virtual bool resignFirstResponder() { return true; }
};
