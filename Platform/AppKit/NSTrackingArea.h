#pragma once

#include <memory>

#include "Platform/QuartzCore/CGGeometry.h"

class NSResponder;

// A rectangle of a view in which the window reports the mouse to an owner.
// Create with std::make_shared; add it to its view with addTrackingArea().
class NSTrackingArea {
public:
    // The platform's option bits.
    enum Options : unsigned {
        mouseEnteredAndExited = 0x01,
        mouseMoved = 0x02,
        cursorUpdate = 0x04,
        activeWhenFirstResponder = 0x10,
        activeInKeyWindow = 0x20,
        activeInActiveApp = 0x40,
        activeAlways = 0x80,
        assumeInside = 0x100,
        inVisibleRect = 0x200,
        enabledDuringMouseDrag = 0x400,
    };

    // The owner is not kept alive; `userInfo` is not modelled (always none).
    NSTrackingArea(const CGRect& rect, unsigned options, std::weak_ptr<NSResponder> owner)
        : m_rect(rect), m_options(options), m_owner(std::move(owner)), m_inside(options & assumeInside)
    {
    }

    // In the view's coordinates; unused with inVisibleRect, which follows the
    // view's visible part instead.
    const CGRect& rect() const { return m_rect; }
    unsigned options() const { return m_options; }
    std::shared_ptr<NSResponder> owner() const { return m_owner.lock(); }

private:
    friend class NSWindow;

    CGRect m_rect;
    unsigned m_options;
    std::weak_ptr<NSResponder> m_owner;
    // Whether the window last saw the mouse inside.
    bool m_inside;
};
