// The application's windows, apart from the rest of NSApplication: a program
// that never opens a window (the menu-bar app) then links none of the view,
// text and drawing code, and loads neither cairo nor pango.
#include "Platform/AppKit/NSApplication.h"

#include "Platform/AppKit/NSApplicationDelegate.h"
#include "Platform/AppKit/NSWindow.h"
#include "Platform/AppKit/WindowBackend.h"
#include "Platform/Foundation/DispatchQueue.h"

std::vector<std::shared_ptr<NSWindow>> NSApplication::windows() const
{
    std::vector<std::shared_ptr<NSWindow>> windows;
    for (const auto& weak : m_windows) {
        if (auto window = weak.lock())
            windows.push_back(std::move(window));
    }
    return windows;
}

void NSApplication::addWindow(const std::shared_ptr<NSWindow>& window)
{
    std::erase_if(m_windows, [](const auto& weak) { return weak.expired(); });
    m_windows.push_back(window);
}

bool NSApplication::hasVisibleWindows() const
{
    for (const auto& window : windows()) {
        if (window->isVisible())
            return true;
    }
    return false;
}

void NSApplication::activate(bool ignoringOtherApps)
{
    m_active = true;
    WindowBackend::current().applicationActivated(ignoringOtherApps);
}

bool NSApplication::reopen()
{
    if (!m_delegate)
        return true;
    auto delegate = m_delegate;
    return delegate->applicationShouldHandleReopen(*this, hasVisibleWindows());
}

void NSApplication::windowDidClose(NSWindow&)
{
    if (hasVisibleWindows())
        return;
    // After the close has run its course, as the platform does: whoever closed
    // the window finishes before the application may end.
    DispatchQueue::main().async([this, alive = std::weak_ptr<bool>(m_alive)] {
        if (!alive.expired() && !hasVisibleWindows())
            lastWindowDidClose();
    });
}

void NSApplication::lastWindowDidClose()
{
    if (m_delegate && m_delegate->applicationShouldTerminateAfterLastWindowClosed(*this))
        terminate();
}
