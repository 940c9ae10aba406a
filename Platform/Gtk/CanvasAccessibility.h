#pragma once

#include <gtk/gtk.h>

#include <vector>

class NSWindow;

// The controls the renderer draws (buttons, check boxes, text) as accessible
// objects under the window's canvas, each with its role, its visible text as
// name, its states (enabled, showing, checked, focused), its place on screen
// and its press as the action, so screen readers and tests find them over
// AT-SPI as they find native widgets. The native entries are accessible by
// themselves.
class CanvasAccessibility {
public:
    // The canvas: a drawing area whose accessible object lists the controls.
    static GtkWidget* makeCanvas();

    explicit CanvasAccessibility(GtkWidget* canvas);
    ~CanvasAccessibility();
    CanvasAccessibility(const CanvasAccessibility&) = delete;
    CanvasAccessibility& operator=(const CanvasAccessibility&) = delete;

    // Brings the children in line with the window's views, telling listeners
    // what changed.
    void update(NSWindow& window);
    // The window is going: the children keep nothing of it.
    void detach();

    int count() const { return static_cast<int>(m_children.size()); }
    AtkObject* child(int index) const;

private:
    GtkWidget* m_canvas;
    // Owned references.
    std::vector<AtkObject*> m_children;
};
