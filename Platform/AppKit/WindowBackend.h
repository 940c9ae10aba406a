#pragma once

#include <memory>

class NSWindow;

// What windows need from a display, in one table that the backend chosen at
// start-up fills in. A backend only shows the model: the user's input comes
// back up through NSWindow::sendEvent(). Redrawing follows CATransaction's
// commit observers and, while animations run, the media clock. A sheet comes
// and goes through windowOrderedFront() and windowOrderedOut() like any
// window; its sheetParent() says which window it belongs to, and its place
// is the parent's frameForSheet().
class WindowBackend {
public:
    virtual ~WindowBackend() = default;

    // The installed backend; a headless one unless another was installed.
    static WindowBackend& current();
    // Chosen once, before the first window is shown.
    static void install(std::shared_ptr<WindowBackend> backend);

    virtual void windowOrderedFront(NSWindow& window) = 0;
    virtual void windowOrderedOut(NSWindow& window) = 0;
    // Its title, size or key status changed.
    virtual void windowChanged(NSWindow& window) = 0;
    // NSApplication::activate(): the application's windows come to the front.
    virtual void applicationActivated(bool ignoringOtherApps) = 0;
};
