#include "Platform/Gtk/GtkHostWindow.h"

#include <gdk/gdkwayland.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "Platform/AppKit/NSEvent.h"
#include "Platform/AppKit/NSView.h"
#include "Platform/AppKit/NSWindow.h"
#include "Platform/AppKit/ViewRenderer.h"
#include "Platform/QuartzCore/MediaClock.h"

namespace {

using Type = NSEvent::EventType;

// Far outside any window: every tracking area is left.
constexpr double outside = -100000;

// The views edited natively, each with what its entry shows.
using Field = std::pair<std::shared_ptr<NSView>, NativeTextEditing>;

void collectFields(const std::shared_ptr<NSView>& view, std::vector<Field>& fields)
{
    if (auto editing = view->nativeTextEditing()) {
        fields.emplace_back(view, std::move(*editing));
        return;
    }
    for (const auto& subview : view->subviews())
        collectFields(subview, fields);
}

// What a key types, as the model's key events carry it; empty for keys it
// has no use for.
std::string characters(const GdkEventKey& event)
{
    switch (event.keyval) {
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter:
    case GDK_KEY_ISO_Enter: return "\r";
    case GDK_KEY_Escape: return "\x1b";
    case GDK_KEY_BackSpace: return "\x7f";
    default: break;
    }
    if (event.state & (GDK_CONTROL_MASK | GDK_MOD1_MASK))
        return {};
    gunichar character = gdk_keyval_to_unicode(event.keyval);
    if (character < 0x20 || character == 0x7f)
        return {};
    char text[8] = {};
    g_unichar_to_utf8(character, text);
    return text;
}

}  // namespace

GtkHostWindow::GtkHostWindow(NSWindow& window)
    : m_window(&window)
    , m_gtkWindow(gtk_window_new(GTK_WINDOW_TOPLEVEL))
    , m_fixed(gtk_fixed_new())
    , m_canvas(CanvasAccessibility::makeCanvas())
    , m_accessibility(m_canvas)
{
    gtk_window_set_resizable(GTK_WINDOW(m_gtkWindow), FALSE);
    gtk_widget_set_can_focus(m_canvas, TRUE);
    gtk_widget_add_events(m_canvas, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK | GDK_POINTER_MOTION_MASK
                                        | GDK_ENTER_NOTIFY_MASK | GDK_LEAVE_NOTIFY_MASK | GDK_KEY_PRESS_MASK);
    gtk_fixed_put(GTK_FIXED(m_fixed), m_canvas, 0, 0);
    gtk_container_add(GTK_CONTAINER(m_gtkWindow), m_fixed);
    g_signal_connect(m_canvas, "draw", G_CALLBACK(drawn), this);
    g_signal_connect(m_canvas, "button-press-event", G_CALLBACK(pressed), this);
    g_signal_connect(m_canvas, "button-release-event", G_CALLBACK(released), this);
    g_signal_connect(m_canvas, "motion-notify-event", G_CALLBACK(moved), this);
    g_signal_connect(m_canvas, "enter-notify-event", G_CALLBACK(moved), this);
    g_signal_connect(m_canvas, "leave-notify-event", G_CALLBACK(left), this);
    g_signal_connect(m_canvas, "key-press-event", G_CALLBACK(canvasKey), this);
    g_signal_connect(m_gtkWindow, "key-press-event", G_CALLBACK(windowKey), this);
    g_signal_connect(m_gtkWindow, "delete-event", G_CALLBACK(deleted), this);
    g_signal_connect(m_gtkWindow, "focus-in-event", G_CALLBACK(focused), this);
    g_signal_connect(m_gtkWindow, "configure-event", G_CALLBACK(configured), this);
    g_signal_connect_after(m_gtkWindow, "map", G_CALLBACK(mapped), this);
    gtk_widget_show(m_fixed);
    gtk_widget_show(m_canvas);
}

GtkHostWindow::~GtkHostWindow()
{
    detach();
    m_fields.clear();
    g_signal_handlers_disconnect_by_data(m_canvas, this);
    g_signal_handlers_disconnect_by_data(m_gtkWindow, this);
    gtk_widget_destroy(m_gtkWindow);
}

void GtkHostWindow::detach()
{
    if (!m_window)
        return;
    m_window = nullptr;
    if (m_parent && m_parent->m_sheet == this)
        m_parent->m_sheet = nullptr;
    if (m_sheet)
        m_sheet->m_parent = nullptr;
    m_parent = m_sheet = nullptr;
    m_accessibility.detach();
    gtk_widget_hide(m_gtkWindow);
}

void GtkHostWindow::show(GtkHostWindow* parent)
{
    m_parent = parent;
    GtkWindow* window = GTK_WINDOW(m_gtkWindow);
    if (!parent) {
        // Where the original platform puts a new main window: in the middle
        // of the screen, not wherever the window manager has room.
        gtk_window_set_position(window, GTK_WIN_POS_CENTER);
    } else {
        parent->m_sheet = this;
        gtk_window_set_transient_for(window, parent->gtkWindow());
        gtk_window_set_modal(window, TRUE);
        gtk_window_set_decorated(window, FALSE);
        gtk_window_set_type_hint(window, GDK_WINDOW_TYPE_HINT_DIALOG);
        gtk_window_set_skip_taskbar_hint(window, TRUE);
    }
    update();
    if (parent)
        parent->placeSheet(*this);
    gtk_widget_show(m_gtkWindow);
    gtk_widget_grab_focus(m_canvas);
    updateFocus();
}

void GtkHostWindow::placeSheet(GtkHostWindow& sheet)
{
    if (!m_window || !sheet.m_window || !gtk_widget_get_realized(m_canvas))
        return;
    gint x = 0, y = 0;
    gdk_window_get_origin(gtk_widget_get_window(m_canvas), &x, &y);
    CGRect frame = m_window->frameForSheet(*sheet.m_window);
    gtk_window_move(sheet.gtkWindow(), x + static_cast<gint>(std::lround(frame.minX())),
                    y + static_cast<gint>(std::lround(m_window->contentRect().height() - frame.maxY())));
}

void GtkHostWindow::present(guint32 time)
{
    if (m_window && gtk_widget_get_visible(m_gtkWindow))
        gtk_window_present_with_time(gtkWindow(), time);
}

void GtkHostWindow::redraw()
{
    gtk_widget_queue_draw(m_canvas);
}

void GtkHostWindow::update()
{
    if (!m_window || m_updating)
        return;
    m_updating = true;
    NSWindow& window = *m_window;
    window.layoutIfNeeded();
    if (gtk_window_get_title(gtkWindow()) == nullptr || window.title() != gtk_window_get_title(gtkWindow()))
        gtk_window_set_title(gtkWindow(), window.title().c_str());
    CGSize size = window.contentRect().size;
    gint width = static_cast<gint>(std::lround(size.width)), height = static_cast<gint>(std::lround(size.height));
    gint requestedWidth = 0, requestedHeight = 0;
    gtk_widget_get_size_request(m_canvas, &requestedWidth, &requestedHeight);
    if (requestedWidth != width || requestedHeight != height)
        gtk_widget_set_size_request(m_canvas, width, height);
    window.setBackingScaleFactor(gtk_widget_get_scale_factor(m_canvas));
    updateFields();
    updateFocus();
    m_accessibility.update(window);
    m_updating = false;
    if (m_window)
        redraw();
}

void GtkHostWindow::updateFields()
{
    std::vector<Field> fields;
    if (m_window->contentView())
        collectFields(m_window->contentView(), fields);
    std::erase_if(m_fields, [&](const auto& entry) {
        return std::none_of(fields.begin(), fields.end(), [&](const auto& field) { return field.first.get() == entry.first; });
    });
    CGFloat height = m_window->contentRect().height();
    for (const auto& [field, editing] : fields) {
        auto& native = m_fields[field.get()];
        if (!native)
            native = std::make_unique<NativeTextField>(field, GTK_FIXED(m_fixed));
        // The text area, in the content, y down.
        const CGRect& area = editing.textArea;
        CGPoint a = field->convertToWindow({area.minX(), area.minY()});
        CGPoint b = field->convertToWindow({area.maxX(), area.maxY()});
        native->update(editing, {std::min(a.x, b.x), height - std::max(a.y, b.y), std::abs(b.x - a.x), std::abs(b.y - a.y)});
    }
}

// The desktop's focus follows the model's first responder: a field's entry,
// else the canvas, which hands keys to the model.
void GtkHostWindow::updateFocus()
{
    const NSResponder* responder = m_window->firstResponder().get();
    auto native = std::find_if(m_fields.begin(), m_fields.end(), [responder](const auto& entry) {
        return entry.first == responder;
    });
    if (native != m_fields.end() && gtk_widget_get_visible(native->second->entry())) {
        native->second->focus();
        return;
    }
    GtkWidget* focus = gtk_window_get_focus(gtkWindow());
    if (focus != m_canvas && (!focus || GTK_IS_ENTRY(focus) || !gtk_widget_get_visible(focus)))
        gtk_widget_grab_focus(m_canvas);
}

gboolean GtkHostWindow::drawn(GtkWidget*, cairo_t* cr, gpointer data)
{
    auto* self = static_cast<GtkHostWindow*>(data);
    if (!self->m_window)
        return TRUE;
    auto& fields = self->m_fields;
    ViewRenderer::renderWindow(*self->m_window, cr, CACurrentMediaTime(),
                               [&fields](const NSView& view) { return fields.contains(&view); });
    if (self->m_window->isSheet()) {
        // A sheet has no frame of the window manager's: a thin edge sets it
        // off from its parent, as the shadow does on the original platform.
        CGSize size = self->m_window->contentRect().size;
        cairo_rectangle(cr, 0.5, 0.5, size.width - 1, size.height - 1);
        cairo_set_source_rgba(cr, 0, 0, 0, 0.3);
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
    }
    return TRUE;
}

CGPoint GtkHostWindow::location(double x, double y) const
{
    return {x, m_window->contentRect().height() - y};
}

void GtkHostWindow::sendMouse(int type, double x, double y, guint32 time)
{
    if (!m_window)
        return;
    m_window->sendEvent(NSEvent::mouseEvent(static_cast<Type>(type), location(x, y), time / 1000.0));
}

void GtkHostWindow::sendKey(const std::string& text, guint32 time)
{
    if (m_window)
        m_window->sendEvent(NSEvent::keyEvent(text, time / 1000.0));
}

gboolean GtkHostWindow::pressed(GtkWidget*, GdkEventButton* event, gpointer data)
{
    // The model counts clicks itself: GTK's double- and triple-press events
    // follow presses it has already had.
    if (event->type != GDK_BUTTON_PRESS)
        return TRUE;
    auto* self = static_cast<GtkHostWindow*>(data);
    if (event->button == GDK_BUTTON_PRIMARY)
        self->sendMouse(static_cast<int>(Type::leftMouseDown), event->x, event->y, event->time);
    else if (event->button == GDK_BUTTON_SECONDARY)
        self->sendMouse(static_cast<int>(Type::rightMouseDown), event->x, event->y, event->time);
    return TRUE;
}

gboolean GtkHostWindow::released(GtkWidget*, GdkEventButton* event, gpointer data)
{
    auto* self = static_cast<GtkHostWindow*>(data);
    if (event->button == GDK_BUTTON_PRIMARY)
        self->sendMouse(static_cast<int>(Type::leftMouseUp), event->x, event->y, event->time);
    else if (event->button == GDK_BUTTON_SECONDARY)
        self->sendMouse(static_cast<int>(Type::rightMouseUp), event->x, event->y, event->time);
    return TRUE;
}

gboolean GtkHostWindow::moved(GtkWidget*, GdkEventMotion* event, gpointer data)
{
    auto* self = static_cast<GtkHostWindow*>(data);
    // Enter and motion events share the fields read here.
    bool dragging = event->type == GDK_MOTION_NOTIFY && (event->state & GDK_BUTTON1_MASK);
    self->sendMouse(static_cast<int>(dragging ? Type::leftMouseDragged : Type::mouseMoved), event->x, event->y, event->time);
    return FALSE;
}

gboolean GtkHostWindow::left(GtkWidget*, GdkEventCrossing* event, gpointer data)
{
    auto* self = static_cast<GtkHostWindow*>(data);
    if (!(event->state & GDK_BUTTON1_MASK))
        self->sendMouse(static_cast<int>(Type::mouseMoved), outside, outside, event->time);
    return FALSE;
}

// Tab belongs to the model wherever the focus is: it moves through drawn
// controls and entries alike.
gboolean GtkHostWindow::windowKey(GtkWidget*, GdkEventKey* event, gpointer data)
{
    auto* self = static_cast<GtkHostWindow*>(data);
    if (event->keyval != GDK_KEY_Tab && event->keyval != GDK_KEY_ISO_Left_Tab && event->keyval != GDK_KEY_KP_Tab)
        return FALSE;
    bool back = event->keyval == GDK_KEY_ISO_Left_Tab || (event->state & GDK_SHIFT_MASK);
    self->sendKey(back ? "\x19" : "\t", event->time);
    return TRUE;
}

gboolean GtkHostWindow::canvasKey(GtkWidget*, GdkEventKey* event, gpointer data)
{
    auto* self = static_cast<GtkHostWindow*>(data);
    std::string text = characters(*event);
    if (text.empty())
        return FALSE;
    self->sendKey(text, event->time);
    return TRUE;
}

// The close button closes the window in the model, which may end the app; a
// sheet ends only through its own controls.
gboolean GtkHostWindow::deleted(GtkWidget*, GdkEvent*, gpointer data)
{
    auto* self = static_cast<GtkHostWindow*>(data);
    if (self->m_window && !self->m_window->isSheet())
        self->m_window->close();
    return TRUE;
}

gboolean GtkHostWindow::focused(GtkWidget*, GdkEvent*, gpointer data)
{
    auto* self = static_cast<GtkHostWindow*>(data);
    if (self->m_window && !self->m_window->isKeyWindow())
        self->m_window->makeKeyWindow();
    return FALSE;
}

void GtkHostWindow::mapped(GtkWidget* widget, gpointer)
{
    // A Wayland compositor matches a window with its desktop entry by the
    // application id, which GTK takes from the program's name, the name
    // screen readers know it by. The program class holds the identifier, as
    // it does for X; the compositor has it before the window shows.
    GdkWindow* window = gtk_widget_get_window(widget);
    if (window && GDK_IS_WAYLAND_WINDOW(window))
        gdk_wayland_window_set_application_id(window, gdk_get_program_class());
}

gboolean GtkHostWindow::configured(GtkWidget*, GdkEvent*, gpointer data)
{
    auto* self = static_cast<GtkHostWindow*>(data);
    if (self->m_sheet)
        self->placeSheet(*self->m_sheet);
    return FALSE;
}
