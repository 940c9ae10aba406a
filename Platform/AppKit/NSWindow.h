#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Platform/AppKit/NSEvent.h"
#include "Platform/AppKit/NSResponder.h"
#include "Platform/QuartzCore/CGGeometry.h"

class NSTextView;
class NSTrackingArea;
class NSView;

// A window: it owns a content view and routes the mouse into the view tree.
// Moves become entered, exited and moved events for the tracking areas they
// cross; a press goes to the view under it (which becomes first responder if
// it takes that role) and the release to the same view; presses that follow
// each other within the double-click interval count up. The window shows
// itself through the installed WindowBackend; without a display it keeps its
// state all the same. Make windows with NSWindow::make().
class NSWindow : public NSResponder, public std::enable_shared_from_this<NSWindow> {
public:
    static std::shared_ptr<NSWindow> make(const CGRect& contentRect);
    explicit NSWindow(const CGRect& contentRect);
    ~NSWindow() override;

    const std::shared_ptr<NSView>& contentView() const { return m_contentView; }
    // The view takes the whole content rectangle.
    void setContentView(const std::shared_ptr<NSView>& view);
    const CGRect& contentRect() const { return m_contentRect; }
    void setContentSize(CGSize size);
    const std::string& title() const { return m_title; }
    void setTitle(std::string title);
    // Device pixels per point of the screen it is on; a backend sets it.
    CGFloat backingScaleFactor() const { return m_backingScaleFactor; }
    void setBackingScaleFactor(CGFloat scale) { m_backingScaleFactor = scale; }

    bool isVisible() const { return m_visible; }
    bool isKeyWindow() const { return m_key; }
    void makeKeyAndOrderFront();
    void orderOut();

    // Routes an event as described above; it lays the views out first.
    void sendEvent(const NSEvent& event);

    std::shared_ptr<NSResponder> firstResponder() const { return m_firstResponder.lock(); }
    // False when the current one refuses to resign or the new one to take over.
    bool makeFirstResponder(const std::shared_ptr<NSResponder>& responder);
    // The one text view that edits whichever text field is being edited.
    std::shared_ptr<NSTextView> fieldEditor(bool createWhenNeeded);

    void setViewsNeedLayout() { m_needsLayout = true; }
    void layoutIfNeeded();

private:
    void trackMouse(const NSEvent& event, bool dragging);
    void collectAreas(NSView& view, std::vector<std::pair<NSView*, std::shared_ptr<NSTrackingArea>>>& areas) const;
    bool isActive(const NSTrackingArea& area) const;

    CGRect m_contentRect;
    std::shared_ptr<NSView> m_contentView;
    std::string m_title;
    CGFloat m_backingScaleFactor = 1;
    bool m_visible = false;
    bool m_key = false;
    bool m_needsLayout = true;
    std::weak_ptr<NSResponder> m_firstResponder;
    std::shared_ptr<NSTextView> m_fieldEditor;
    std::weak_ptr<NSView> m_pressedView;
    struct Press {
        CFTimeInterval time;
        CGPoint location;
        int clickCount;
    };
    std::optional<Press> m_lastPress;
    // Areas the mouse was last seen inside.
    std::vector<std::weak_ptr<NSTrackingArea>> m_areasInside;
};
