#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Platform/AppKit/NSColor.h"
#include "Platform/AppKit/NSEvent.h"
#include "Platform/AppKit/NSResponder.h"
#include "Platform/QuartzCore/CGGeometry.h"

class NSTextView;
class NSTrackingArea;
class NSView;
class NSViewController;

// How a sheet ended, as its completion handler hears it.
enum class NSModalResponse : long {
    stop = -1000,
    abort = -1001,
    continue_ = -1002,
};

// A window: it owns a content view (or a content view controller and its
// view) and routes the mouse and the keyboard into the view tree. Moves become
// entered, exited and moved events for the tracking areas they cross; a press
// goes to the view under it (which becomes first responder if it takes that
// role) and the release to the same view; presses that follow each other
// within the double-click interval count up. Tab and back tab move the focus;
// a key that is a button's key equivalent clicks it; other keys go to the
// first responder.
//
// A window can carry sheets, one at a time: a sheet is a window of its own,
// shown attached to the top of its parent, that takes the parent's key status
// and its clicks and keys until it ends; sheets begun meanwhile wait their
// turn. Windows made with make() belong to the application (NSApplication's
// windows()); closing the last visible one tells it. A window shows itself
// through the installed WindowBackend; without a display it keeps its state
// all the same.
class NSWindow : public NSResponder, public std::enable_shared_from_this<NSWindow> {
public:
    using SheetCompletion = std::function<void(NSModalResponse)>;

    static std::shared_ptr<NSWindow> make(const CGRect& contentRect);
    explicit NSWindow(const CGRect& contentRect);
    ~NSWindow() override;

    const std::shared_ptr<NSView>& contentView() const { return m_contentView; }
    // The view takes the whole content rectangle.
    void setContentView(const std::shared_ptr<NSView>& view);
    // The window keeps the controller and shows its view (loading it) as the
    // content view; the controller hears its view appear and disappear.
    const std::shared_ptr<NSViewController>& contentViewController() const { return m_contentViewController; }
    void setContentViewController(const std::shared_ptr<NSViewController>& controller);
    const CGRect& contentRect() const { return m_contentRect; }
    const std::string& title() const { return m_title; }
    void setTitle(std::string title);
    // What shows where the content view draws nothing.
    const NSColor& backgroundColor() const { return m_backgroundColor; }
    void setBackgroundColor(const NSColor& color);
    // Device pixels per point of the screen it is on; a backend sets it.
    void setBackingScaleFactor(CGFloat scale) { m_backingScaleFactor = scale; }

    bool isVisible() const { return m_visible; }
    bool isKeyWindow() const { return m_key; }
    // Shows the window in front of the others and makes it key (its sheet, if
    // it has one, takes the key status). The sender is not used.
    void makeKeyAndOrderFront(const void* sender = nullptr);
    // Takes the key status from whichever window has it; a window with a
    // sheet hands it to the sheet.
    void makeKeyWindow();
    void orderOut();
    // Ends its sheets, orders it out and tells the application, which may then
    // terminate (its delegate decides). A sheet cannot be closed this way:
    // end it through its parent.
    void close();

    // Shows `sheet` attached to this window, or queues it behind the one shown
    // now; `completion` runs when it ends. A window that is a sheet already,
    // or this window itself, is refused.
    void beginSheet(const std::shared_ptr<NSWindow>& sheet, SheetCompletion completion = {});
    // Takes the sheet away (or out of the queue) and runs its completion; the
    // next queued sheet, if any, is shown, else this window becomes key again.
    void endSheet(const std::shared_ptr<NSWindow>& sheet, NSModalResponse response = NSModalResponse::stop);
    // The sheet shown now, if any.
    std::shared_ptr<NSWindow> attachedSheet() const;
    std::shared_ptr<NSWindow> sheetParent() const { return m_sheetParent.lock(); }
    bool isSheet() const { return !m_sheetParent.expired(); }
    // Where an attached sheet shows in this window's content: centred, at the top.
    CGRect frameForSheet(const NSWindow& sheet) const;

    // Routes an event as described above; it lays the views out first. A
    // window with a sheet takes no presses, releases, drags or keys.
    void sendEvent(const NSEvent& event);

    std::shared_ptr<NSResponder> firstResponder() const { return m_firstResponder.lock(); }
    // False when the current one refuses to resign or the new one to take over.
    bool makeFirstResponder(const std::shared_ptr<NSResponder>& responder);
    // The one text view that edits whichever text field is being edited.
    std::shared_ptr<NSTextView> fieldEditor(bool createWhenNeeded);

    // Keyboard navigation: the views that can become key views, in reading
    // order (rows top to bottom, each left to right); tab moves the first
    // responder to the next one, back tab to the previous, round the loop.
    std::vector<std::shared_ptr<NSView>> keyViewLoop() const;
    // True once the keyboard has moved the focus in this window: from then on
    // the first responder shows a focus ring (a click alone shows none).
    bool showsKeyboardFocus() const { return m_showsKeyboardFocus; }
    // Clicks the visible, enabled button whose key equivalent the event types.
    bool performKeyEquivalent(const NSEvent& event);

    void setViewsNeedLayout() { m_needsLayout = true; }
    void layoutIfNeeded();

private:
    struct Sheet {
        std::shared_ptr<NSWindow> window;
        SheetCompletion completion;
    };

    void show();
    void resignKey();
    void selectKeyView(int step);
    void trackMouse(const NSEvent& event, bool dragging);
    void collectAreas(NSView& view, std::vector<std::pair<NSView*, std::shared_ptr<NSTrackingArea>>>& areas) const;
    bool isActive(const NSTrackingArea& area) const;

    CGRect m_contentRect;
    std::shared_ptr<NSView> m_contentView;
    std::shared_ptr<NSViewController> m_contentViewController;
    std::string m_title;
    NSColor m_backgroundColor = NSColor::windowBackgroundColor();
    CGFloat m_backingScaleFactor = 1;
    bool m_visible = false;
    bool m_key = false;
    bool m_needsLayout = true;
    bool m_showsKeyboardFocus = false;
    // The shown sheet first, then those waiting.
    std::vector<Sheet> m_sheets;
    std::weak_ptr<NSWindow> m_sheetParent;
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
