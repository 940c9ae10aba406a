#pragma once

#include <memory>
#include <vector>

#include "Platform/AppKit/WindowBackend.h"
#include "Platform/Headless/HeadlessWindowControl.h"

class NSBitmapImageRep;

// The backend without a display: it keeps the windows on screen, in the order
// they came to the front, and draws any of them into an image on request, a
// window's attached sheet over it as a desktop would show it. A script can act
// as the user through its control socket (HeadlessWindowControl).
class HeadlessWindowBackend : public WindowBackend {
public:
    // The installed backend when it is the headless one, else null.
    static HeadlessWindowBackend* installed();

    std::vector<std::shared_ptr<NSWindow>> windows() const;
    // The window's content as shown now, at `scale` pixels per point.
    static std::shared_ptr<NSBitmapImageRep> snapshot(NSWindow& window, double scale = 1);

    void windowOrderedFront(NSWindow& window) override;
    void windowOrderedOut(NSWindow& window) override;
    void windowChanged(NSWindow&) override {}
    // Nothing to raise without a display.
    void applicationActivated(bool) override {}

private:
    // Not owned: a window leaves this list when it is ordered out or destroyed.
    std::vector<NSWindow*> m_windows;
    HeadlessWindowControl m_control;
};
