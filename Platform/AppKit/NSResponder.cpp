#include "Platform/AppKit/NSResponder.h"

#define PASS_ON(handler)                                                                                              \
    void NSResponder::handler(const NSEvent& event)                                                                   \
    {                                                                                                                 \
        if (auto next = nextResponder())                                                                              \
            next->handler(event);                                                                                     \
    }

PASS_ON(mouseDown)
PASS_ON(mouseUp)
PASS_ON(mouseDragged)
PASS_ON(rightMouseDown)
PASS_ON(rightMouseUp)
PASS_ON(mouseMoved)
PASS_ON(mouseEntered)
PASS_ON(mouseExited)
PASS_ON(keyDown)
