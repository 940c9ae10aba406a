#include "Platform/AppKit/NSWindow.h"

#include <algorithm>
#include <cmath>

#include "Platform/AppKit/NSApplication.h"
#include "Platform/AppKit/NSButton.h"
#include "Platform/AppKit/NSTextView.h"
#include "Platform/AppKit/NSTrackingArea.h"
#include "Platform/AppKit/NSView.h"
#include "Platform/AppKit/NSViewController.h"
#include "Platform/AppKit/WindowBackend.h"
#include "Platform/QuartzCore/CATransaction.h"

namespace {

// How far apart two presses may be and still count as one click sequence.
constexpr CGFloat clickDistance = 4;
// What shift-tab types.
constexpr const char* backTab = "\x19";

void collectKeyViews(const std::shared_ptr<NSView>& view, std::vector<std::shared_ptr<NSView>>& views)
{
    if (view->isHidden())
        return;
    if (view->canBecomeKeyView())
        views.push_back(view);
    for (const auto& subview : view->subviews())
        collectKeyViews(subview, views);
}

void collectButtons(const std::shared_ptr<NSView>& view, std::vector<std::shared_ptr<NSButton>>& buttons)
{
    if (view->isHidden())
        return;
    if (auto button = std::dynamic_pointer_cast<NSButton>(view))
        buttons.push_back(std::move(button));
    for (const auto& subview : view->subviews())
        collectButtons(subview, buttons);
}

}  // namespace

std::shared_ptr<NSWindow> NSWindow::make(const CGRect& contentRect)
{
    auto window = std::make_shared<NSWindow>(contentRect);
    window->setContentView(NSView::make(CGRect{0, 0, contentRect.width(), contentRect.height()}));
    NSApplication::shared().addWindow(window);
    return window;
}

NSWindow::NSWindow(const CGRect& contentRect)
    : m_contentRect(contentRect)
{
}

NSWindow::~NSWindow()
{
    if (m_visible)
        WindowBackend::current().windowOrderedOut(*this);
}

void NSWindow::setContentView(const std::shared_ptr<NSView>& view)
{
    if (m_contentView)
        m_contentView->setWindow({});
    m_contentView = view;
    if (!view)
        return;
    view->removeFromSuperview();
    view->setFrame({0, 0, m_contentRect.width(), m_contentRect.height()});
    view->setWindow(weak_from_this());
    m_needsLayout = true;
    CATransaction::noteChange();
}

void NSWindow::setContentViewController(const std::shared_ptr<NSViewController>& controller)
{
    if (controller == m_contentViewController)
        return;
    // The old controller stays alive until its view has left.
    auto old = std::move(m_contentViewController);
    m_contentViewController = controller;
    setContentView(controller ? controller->view() : NSView::make(CGRect{{}, m_contentRect.size}));
}

void NSWindow::setTitle(std::string title)
{
    m_title = std::move(title);
    if (m_visible)
        WindowBackend::current().windowChanged(*this);
}

void NSWindow::setBackgroundColor(const NSColor& color)
{
    m_backgroundColor = color;
    CATransaction::noteChange();
}

void NSWindow::show()
{
    auto keep = shared_from_this();
    bool wasVisible = m_visible;
    m_visible = true;
    layoutIfNeeded();
    WindowBackend::current().windowOrderedFront(*this);
    if (!wasVisible && m_contentView)
        m_contentView->noteShown(true);
}

void NSWindow::makeKeyAndOrderFront(const void*)
{
    show();
    // A sheet waiting for its parent to come on screen shows with it.
    if (auto sheet = attachedSheet(); sheet && !sheet->isVisible())
        sheet->show();
    makeKeyWindow();
}

void NSWindow::makeKeyWindow()
{
    if (auto sheet = attachedSheet(); sheet && sheet->isVisible()) {
        sheet->makeKeyWindow();
        return;
    }
    if (!m_visible || m_key)
        return;
    auto& application = NSApplication::shared();
    if (auto previous = application.keyWindow(); previous && previous.get() != this)
        previous->resignKey();
    m_key = true;
    application.windowBecameKey(shared_from_this());
    WindowBackend::current().windowChanged(*this);
}

void NSWindow::resignKey()
{
    if (!m_key)
        return;
    m_key = false;
    if (m_visible)
        WindowBackend::current().windowChanged(*this);
}

void NSWindow::orderOut()
{
    if (!m_visible)
        return;
    auto keep = shared_from_this();
    m_visible = false;
    bool wasKey = m_key;
    m_key = false;
    if (auto sheet = attachedSheet())
        sheet->orderOut();
    WindowBackend::current().windowOrderedOut(*this);
    if (m_contentView)
        m_contentView->noteShown(false);
    if (!wasKey)
        return;
    auto& application = NSApplication::shared();
    if (application.keyWindow().get() == this)
        application.windowBecameKey(nullptr);
    // The key status passes to the parent of a sheet, else to the window made
    // last that still shows.
    if (auto parent = sheetParent(); parent && parent->isVisible()) {
        parent->makeKeyWindow();
        return;
    }
    auto windows = application.windows();
    for (auto window = windows.rbegin(); window != windows.rend(); ++window) {
        if (window->get() != this && (*window)->isVisible() && !(*window)->isSheet()) {
            (*window)->makeKeyWindow();
            break;
        }
    }
}

void NSWindow::close()
{
    if (isSheet())
        return;
    auto keep = shared_from_this();
    // Waiting sheets go without ever showing, then the one shown.
    while (m_sheets.size() > 1)
        endSheet(m_sheets.back().window, NSModalResponse::abort);
    if (!m_sheets.empty())
        endSheet(m_sheets.front().window, NSModalResponse::abort);
    bool wasVisible = m_visible;
    orderOut();
    if (wasVisible)
        NSApplication::shared().windowDidClose(*this);
}

void NSWindow::beginSheet(const std::shared_ptr<NSWindow>& sheet, SheetCompletion completion)
{
    if (!sheet || sheet.get() == this || sheet->isSheet() || isSheet() || sheet->isVisible())
        return;
    sheet->m_sheetParent = weak_from_this();
    m_sheets.push_back({sheet, std::move(completion)});
    if (m_sheets.size() == 1 && m_visible) {
        sheet->show();
        sheet->makeKeyWindow();
    }
}

void NSWindow::endSheet(const std::shared_ptr<NSWindow>& sheet, NSModalResponse response)
{
    auto found = std::find_if(m_sheets.begin(), m_sheets.end(), [&](const Sheet& entry) { return entry.window == sheet; });
    if (found == m_sheets.end())
        return;
    auto keep = shared_from_this();
    bool wasShown = found == m_sheets.begin();
    Sheet ended = std::move(*found);
    m_sheets.erase(found);
    if (wasShown) {
        ended.window->orderOut();
        if (!m_sheets.empty() && m_visible) {
            m_sheets.front().window->show();
            m_sheets.front().window->makeKeyWindow();
        } else {
            makeKeyWindow();
        }
    }
    ended.window->m_sheetParent.reset();
    if (ended.completion)
        ended.completion(response);
}

std::shared_ptr<NSWindow> NSWindow::attachedSheet() const
{
    return m_sheets.empty() ? nullptr : m_sheets.front().window;
}

CGRect NSWindow::frameForSheet(const NSWindow& sheet) const
{
    CGSize size = sheet.contentRect().size;
    return {std::round((m_contentRect.width() - size.width) / 2), m_contentRect.height() - size.height, size.width,
            size.height};
}

void NSWindow::layoutIfNeeded()
{
    if (!m_needsLayout || !m_contentView)
        return;
    m_needsLayout = false;
    m_contentView->layoutSubtreeIfNeeded();
}

bool NSWindow::makeFirstResponder(const std::shared_ptr<NSResponder>& responder)
{
    auto current = firstResponder();
    if (current == responder)
        return true;
    if (current && !current->resignFirstResponder())
        return false;
    m_firstResponder.reset();
    if (responder && !responder->becomeFirstResponder())
        return false;
    m_firstResponder = responder;
    CATransaction::noteChange();
    return true;
}

std::shared_ptr<NSTextView> NSWindow::fieldEditor(bool createWhenNeeded)
{
    if (!m_fieldEditor && createWhenNeeded) {
        m_fieldEditor = NSView::make<NSTextView>(CGRect{});
        m_fieldEditor->setFieldEditor(true);
    }
    return m_fieldEditor;
}

std::vector<std::shared_ptr<NSView>> NSWindow::keyViewLoop() const
{
    std::vector<std::shared_ptr<NSView>> views;
    if (!m_contentView)
        return views;
    collectKeyViews(m_contentView, views);
    // Reading order in window space (y up): higher tops first, then leftmost.
    auto place = [](const NSView& view) {
        CGPoint topLeft = view.convertToWindow({view.bounds().minX(), view.isFlipped() ? view.bounds().minY() : view.bounds().maxY()});
        return std::pair{-std::round(topLeft.y), std::round(topLeft.x)};
    };
    std::stable_sort(views.begin(), views.end(), [&](const auto& a, const auto& b) { return place(*a) < place(*b); });
    return views;
}

void NSWindow::selectKeyView(int step)
{
    layoutIfNeeded();
    auto loop = keyViewLoop();
    if (loop.empty())
        return;
    auto current = std::find(loop.begin(), loop.end(), std::dynamic_pointer_cast<NSView>(firstResponder()));
    long count = static_cast<long>(loop.size());
    long index = current == loop.end() ? (step > 0 ? 0 : count - 1) : ((current - loop.begin()) + step + count) % count;
    m_showsKeyboardFocus = true;
    makeFirstResponder(loop[static_cast<size_t>(index)]);
    CATransaction::noteChange();
}

bool NSWindow::performKeyEquivalent(const NSEvent& event)
{
    if (event.characters().empty() || !m_contentView)
        return false;
    std::vector<std::shared_ptr<NSButton>> buttons;
    collectButtons(m_contentView, buttons);
    for (const auto& button : buttons) {
        if (button->keyEquivalent() == event.characters() && button->isEnabled()) {
            button->performClick();
            return true;
        }
    }
    return false;
}

void NSWindow::sendEvent(const NSEvent& incoming)
{
    layoutIfNeeded();
    if (!m_contentView)
        return;
    NSEvent event = incoming;
    auto location = event.locationInWindow();
    using Type = NSEvent::EventType;
    // A sheet keeps its parent from being used until it ends.
    if (attachedSheet() && event.type() != Type::mouseMoved && event.type() != Type::mouseEntered
        && event.type() != Type::mouseExited)
        return;
    switch (event.type()) {
    case Type::mouseMoved:
        trackMouse(event, false);
        break;
    case Type::leftMouseDragged:
        trackMouse(event, true);
        if (auto view = m_pressedView.lock())
            view->mouseDragged(event);
        break;
    case Type::leftMouseDown: {
        int count = 1;
        if (m_lastPress && event.timestamp() - m_lastPress->time <= NSEvent::doubleClickInterval
            && std::hypot(location.x - m_lastPress->location.x, location.y - m_lastPress->location.y) <= clickDistance)
            count = m_lastPress->clickCount + 1;
        m_lastPress = Press{event.timestamp(), location, count};
        event.setClickCount(count);
        auto view = m_contentView->hitTest(location);
        m_pressedView = view;
        if (!view)
            break;
        if (view->acceptsFirstResponder())
            makeFirstResponder(view);
        view->mouseDown(event);
        break;
    }
    case Type::leftMouseUp: {
        event.setClickCount(m_lastPress ? m_lastPress->clickCount : 1);
        auto view = m_pressedView.lock();
        m_pressedView.reset();
        if (!view)
            view = m_contentView->hitTest(location);
        if (view)
            view->mouseUp(event);
        break;
    }
    case Type::rightMouseDown:
    case Type::rightMouseUp:
        if (auto view = m_contentView->hitTest(location))
            event.type() == Type::rightMouseDown ? view->rightMouseDown(event) : view->rightMouseUp(event);
        break;
    case Type::mouseEntered:
    case Type::mouseExited:
        if (auto area = event.trackingArea(); area && area->owner())
            event.type() == Type::mouseEntered ? area->owner()->mouseEntered(event) : area->owner()->mouseExited(event);
        break;
    case Type::keyDown:
        if (event.characters() == "\t" || event.characters() == backTab) {
            selectKeyView(event.characters() == "\t" ? 1 : -1);
            break;
        }
        if (performKeyEquivalent(event))
            break;
        if (auto responder = firstResponder())
            responder->keyDown(event);
        break;
    }
}

bool NSWindow::isActive(const NSTrackingArea& area) const
{
    unsigned options = area.options();
    if (options & NSTrackingArea::activeWhenFirstResponder)
        return m_key && firstResponder() && firstResponder() == area.owner();
    if (options & NSTrackingArea::activeInKeyWindow)
        return m_key;
    // Active always, or in the active application, which a running app here is.
    return true;
}

void NSWindow::collectAreas(NSView& view, std::vector<std::pair<NSView*, std::shared_ptr<NSTrackingArea>>>& areas) const
{
    if (view.isHidden())
        return;
    for (const auto& area : view.trackingAreas())
        areas.emplace_back(&view, area);
    for (const auto& subview : view.subviews())
        collectAreas(*subview, areas);
}

void NSWindow::trackMouse(const NSEvent& event, bool dragging)
{
    std::vector<std::pair<NSView*, std::shared_ptr<NSTrackingArea>>> areas;
    collectAreas(*m_contentView, areas);
    std::vector<NSEvent> exits, entries, moves;
    std::vector<std::weak_ptr<NSTrackingArea>> inside;
    for (auto& [view, area] : areas) {
        if (dragging && !(area->options() & NSTrackingArea::enabledDuringMouseDrag)) {
            if (area->m_inside)
                inside.push_back(area);
            continue;
        }
        CGRect rect = (area->options() & NSTrackingArea::inVisibleRect) ? view->visibleRect() : area->rect();
        bool now = isActive(*area) && rect.contains(view->convert(event.locationInWindow(), nullptr));
        if (now != area->m_inside) {
            area->m_inside = now;
            if (area->options() & NSTrackingArea::mouseEnteredAndExited)
                (now ? entries : exits)
                    .push_back(NSEvent::enterExitEvent(now ? NSEvent::EventType::mouseEntered : NSEvent::EventType::mouseExited,
                                                       event.locationInWindow(), event.timestamp(), area));
        }
        if (now) {
            inside.push_back(area);
            if (area->options() & NSTrackingArea::mouseMoved)
                moves.push_back(NSEvent::enterExitEvent(NSEvent::EventType::mouseMoved, event.locationInWindow(),
                                                        event.timestamp(), area));
        }
    }
    // An area that left the window (or whose view was hidden) while the mouse
    // was in it is outside from now on, without an event, as on the platform.
    for (auto& weak : m_areasInside) {
        auto area = weak.lock();
        if (area && std::none_of(inside.begin(), inside.end(), [&](auto& kept) { return kept.lock() == area; }))
            area->m_inside = false;
    }
    m_areasInside = std::move(inside);
    for (auto& exit : exits)
        sendEvent(exit);
    for (auto& entry : entries)
        sendEvent(entry);
    for (auto& move : moves) {
        if (auto owner = move.trackingArea()->owner())
            owner->mouseMoved(move);
    }
}
