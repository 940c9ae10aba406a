#pragma once

#include <gtk/gtk.h>

#include <map>
#include <memory>

#include "Platform/Gtk/CanvasAccessibility.h"
#include "Platform/Gtk/NativeTextField.h"

class NSView;
class NSWindow;

// One window of the model on the desktop: a GtkWindow of the content's size
// (titled, closable, not resizable) holding the canvas the renderer draws the
// views into and the native entries of the views edited natively. The mouse
// over the canvas and the keys it gets go to NSWindow::sendEvent(); tab goes
// to the model wherever the focus is, so drawn controls and entries share one
// focus loop. A sheet is an undecorated modal window kept at the top of its
// parent's content.
class GtkHostWindow {
public:
    explicit GtkHostWindow(NSWindow& window);
    ~GtkHostWindow();
    GtkHostWindow(const GtkHostWindow&) = delete;
    GtkHostWindow& operator=(const GtkHostWindow&) = delete;

    // None once the model's window has gone.
    NSWindow* window() const { return m_window; }
    GtkWindow* gtkWindow() const { return GTK_WINDOW(m_gtkWindow); }

    // Maps the window; a sheet goes onto `parent`, modal to it.
    void show(GtkHostWindow* parent);
    // Brings everything in line with the model and redraws.
    void update();
    void present(guint32 time);
    // Puts an attached sheet at the place its parent gives it.
    void placeSheet(GtkHostWindow& sheet);
    // The model's window is going: hide and let go of it.
    void detach();
    void redraw();

private:
    static gboolean drawn(GtkWidget* widget, cairo_t* cr, gpointer self);
    static gboolean pressed(GtkWidget* widget, GdkEventButton* event, gpointer self);
    static gboolean released(GtkWidget* widget, GdkEventButton* event, gpointer self);
    static gboolean moved(GtkWidget* widget, GdkEventMotion* event, gpointer self);
    static gboolean left(GtkWidget* widget, GdkEventCrossing* event, gpointer self);
    static gboolean windowKey(GtkWidget* widget, GdkEventKey* event, gpointer self);
    static gboolean canvasKey(GtkWidget* widget, GdkEventKey* event, gpointer self);
    static gboolean deleted(GtkWidget* widget, GdkEvent* event, gpointer self);
    static gboolean focused(GtkWidget* widget, GdkEvent* event, gpointer self);
    static gboolean configured(GtkWidget* widget, GdkEvent* event, gpointer self);
    static void mapped(GtkWidget* widget, gpointer self);

    // A point of the canvas (y down) in the window's content (y up).
    CGPoint location(double x, double y) const;
    void sendMouse(int type, double x, double y, guint32 time);
    void sendKey(const std::string& characters, guint32 time);
    void updateFields();
    void updateFocus();

    NSWindow* m_window;
    GtkWidget* m_gtkWindow;
    GtkWidget* m_fixed;
    GtkWidget* m_canvas;
    CanvasAccessibility m_accessibility;
    std::map<const NSView*, std::unique_ptr<NativeTextField>> m_fields;
    // The sheet on this window and the window this one is a sheet of.
    GtkHostWindow* m_sheet = nullptr;
    GtkHostWindow* m_parent = nullptr;
    bool m_updating = false;
};
