#pragma once

#include <memory>
#include <string>

#include "Platform/QuartzCore/CGGeometry.h"

class NSTrackingArea;

// A mouse or key event. Locations are in the window's base coordinates (y up from the
// content's bottom-left corner). A window computes click counts itself from
// the times of the presses, so an event's own count only matters once the
// window has sent it on.
class NSEvent {
public:
    enum class EventType : int {
        leftMouseDown = 1,
        leftMouseUp = 2,
        rightMouseDown = 3,
        rightMouseUp = 4,
        mouseMoved = 5,
        leftMouseDragged = 6,
        mouseEntered = 8,
        mouseExited = 9,
        keyDown = 10,
    };

    // The platform's default interval within which presses count as one click
    // sequence.
    static constexpr CFTimeInterval doubleClickInterval = 0.5;

    static NSEvent mouseEvent(EventType type, CGPoint locationInWindow, CFTimeInterval timestamp, int clickCount = 1)
    {
        NSEvent event;
        event.m_type = type;
        event.m_location = locationInWindow;
        event.m_timestamp = timestamp;
        event.m_clickCount = clickCount;
        return event;
    }
    static NSEvent enterExitEvent(EventType type, CGPoint locationInWindow, CFTimeInterval timestamp,
                                  std::shared_ptr<NSTrackingArea> area)
    {
        NSEvent event = mouseEvent(type, locationInWindow, timestamp, 0);
        event.m_trackingArea = std::move(area);
        return event;
    }

    // A key press that types `characters` (as the keyboard layout and input
    // method made them; "\x7f" is the delete key, "\r" return, "\t" tab).
    static NSEvent keyEvent(std::string characters, CFTimeInterval timestamp)
    {
        NSEvent event;
        event.m_type = EventType::keyDown;
        event.m_timestamp = timestamp;
        event.m_characters = std::move(characters);
        return event;
    }

    EventType type() const { return m_type; }
    const std::string& characters() const { return m_characters; }
    CGPoint locationInWindow() const { return m_location; }
    CFTimeInterval timestamp() const { return m_timestamp; }
    int clickCount() const { return m_clickCount; }
    void setClickCount(int count) { m_clickCount = count; }
    // The area an entered or exited event is about.
    const std::shared_ptr<NSTrackingArea>& trackingArea() const { return m_trackingArea; }

private:
    EventType m_type = EventType::mouseMoved;
    CGPoint m_location;
    CFTimeInterval m_timestamp = 0;
    int m_clickCount = 0;
    std::shared_ptr<NSTrackingArea> m_trackingArea;
    std::string m_characters;
};
