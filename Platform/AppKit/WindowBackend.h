#pragma once

#include <memory>

class NSWindow;

// What windows need from a display, in one table that the backend chosen at
// start-up fills in. A backend only shows the model: the user's input comes
// back up through NSWindow::sendEvent(). Redrawing follows CATransaction's
// commit observers and, while animations run, the media clock.
class WindowBackend {
public:
    virtual ~WindowBackend() = default;

    // The installed backend; a headless one unless another was installed.
    static WindowBackend& current();
    // Chosen once, before the first window is shown.
    static void install(std::shared_ptr<WindowBackend> backend);

    virtual void windowOrderedFront(NSWindow& window) = 0;
    virtual void windowOrderedOut(NSWindow& window) = 0;
    // Its title or size changed.
    virtual void windowChanged(NSWindow& window) = 0;
};
