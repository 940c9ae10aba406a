#pragma once

#include <gtk/gtk.h>

#include <memory>
#include <vector>

#include "Platform/AppKit/WindowBackend.h"
#include "Platform/Foundation/ObserverRegistration.h"

class GtkHostWindow;

// The desktop backend of the window table: every window the model shows is a
// GtkWindow (GtkHostWindow), redrawn when a transaction commits and, while
// animations run, on every frame. Needs GTK initialised on the main thread,
// whose GLib context the run loop turns.
class GtkWindowBackend : public WindowBackend {
public:
    GtkWindowBackend();
    ~GtkWindowBackend() override;

    void windowOrderedFront(NSWindow& window) override;
    void windowOrderedOut(NSWindow& window) override;
    void windowChanged(NSWindow& window) override;
    void applicationActivated(bool ignoringOtherApps) override;

    // The desktop window showing `window`, if it is on screen.
    GtkHostWindow* host(const NSWindow& window) const;

private:
    void refresh();
    void keepAnimating();

    std::vector<std::unique_ptr<GtkHostWindow>> m_hosts;
    std::unique_ptr<ObserverRegistration> m_commits;
    guint m_frameTimer = 0;
};
