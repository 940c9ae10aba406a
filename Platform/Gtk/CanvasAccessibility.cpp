#include "Platform/Gtk/CanvasAccessibility.h"

#include <gtk/gtk-a11y.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

#include "Platform/AppKit/NSView.h"
#include "Platform/AppKit/NSWindow.h"
#include "Platform/Foundation/DispatchQueue.h"

namespace {

constexpr const char* accessibilityKey = "parvex-canvas-accessibility";

// What one child knows of its view, and what it last told listeners.
struct AccessibleView {
    std::weak_ptr<NSView> view;
    GtkWidget* canvas = nullptr;
    std::string name;
    bool checked = false, enabled = false, showing = false, focused = false;
};

AtkRole atkRole(NSAccessibilityRole role)
{
    switch (role) {
    case NSAccessibilityRole::button: return ATK_ROLE_PUSH_BUTTON;
    case NSAccessibilityRole::checkBox: return ATK_ROLE_CHECK_BOX;
    case NSAccessibilityRole::radioButton: return ATK_ROLE_RADIO_BUTTON;
    case NSAccessibilityRole::staticText: return ATK_ROLE_LABEL;
    default: return ATK_ROLE_UNKNOWN;
    }
}

bool isDrawnControl(const NSView& view)
{
    switch (view.accessibilityRole()) {
    case NSAccessibilityRole::button:
    case NSAccessibilityRole::checkBox:
    case NSAccessibilityRole::radioButton:
    case NSAccessibilityRole::staticText: return true;
    default: return false;
    }
}

void collect(const std::shared_ptr<NSView>& view, std::vector<std::shared_ptr<NSView>>& views)
{
    if (isDrawnControl(*view))
        views.push_back(view);
    for (const auto& subview : view->subviews())
        collect(subview, views);
}

bool isShowing(const NSView& view)
{
    auto window = view.window();
    return window && window->isVisible() && !view.isHiddenOrHasHiddenAncestor();
}

bool isFocused(const NSView& view)
{
    auto window = view.window();
    return window && window->isKeyWindow() && window->firstResponder().get() == &view;
}

}  // namespace

// The accessible object of one drawn control.
struct ParvexViewAccessible {
    AtkObject parent;
    AccessibleView* data;
};
struct ParvexViewAccessibleClass {
    AtkObjectClass parent;
};

static void parvexViewComponentInit(AtkComponentIface* iface);
static void parvexViewActionInit(AtkActionIface* iface);

G_DEFINE_TYPE_WITH_CODE(ParvexViewAccessible, parvex_view_accessible, ATK_TYPE_OBJECT,
                        G_IMPLEMENT_INTERFACE(ATK_TYPE_COMPONENT, parvexViewComponentInit)
                        G_IMPLEMENT_INTERFACE(ATK_TYPE_ACTION, parvexViewActionInit))

static AccessibleView* viewData(gpointer object)
{
    return reinterpret_cast<ParvexViewAccessible*>(object)->data;
}

static void parvex_view_accessible_init(ParvexViewAccessible* self)
{
    self->data = new AccessibleView;
}

static void parvexViewFinalize(GObject* object)
{
    delete viewData(object);
    G_OBJECT_CLASS(parvex_view_accessible_parent_class)->finalize(object);
}

static AtkStateSet* parvexViewStates(AtkObject* object)
{
    AtkStateSet* states = ATK_OBJECT_CLASS(parvex_view_accessible_parent_class)->ref_state_set(object);
    auto view = viewData(object)->view.lock();
    if (!view) {
        atk_state_set_add_state(states, ATK_STATE_DEFUNCT);
        return states;
    }
    if (view->isAccessibilityEnabled()) {
        atk_state_set_add_state(states, ATK_STATE_ENABLED);
        atk_state_set_add_state(states, ATK_STATE_SENSITIVE);
    }
    if (isShowing(*view)) {
        atk_state_set_add_state(states, ATK_STATE_VISIBLE);
        atk_state_set_add_state(states, ATK_STATE_SHOWING);
    }
    if (view->accessibilityRole() == NSAccessibilityRole::checkBox)
        atk_state_set_add_state(states, ATK_STATE_CHECKABLE);
    if (view->isAccessibilityChecked())
        atk_state_set_add_state(states, ATK_STATE_CHECKED);
    if (view->canBecomeKeyView())
        atk_state_set_add_state(states, ATK_STATE_FOCUSABLE);
    if (isFocused(*view))
        atk_state_set_add_state(states, ATK_STATE_FOCUSED);
    return states;
}

static gint parvexViewIndex(AtkObject* object)
{
    AtkObject* parent = atk_object_get_parent(object);
    gint count = parent ? atk_object_get_n_accessible_children(parent) : 0;
    for (gint index = 0; index < count; ++index) {
        AtkObject* child = atk_object_ref_accessible_child(parent, index);
        if (child)
            g_object_unref(child);
        if (child == object)
            return index;
    }
    return -1;
}

static void parvex_view_accessible_class_init(ParvexViewAccessibleClass* type)
{
    G_OBJECT_CLASS(type)->finalize = parvexViewFinalize;
    ATK_OBJECT_CLASS(type)->ref_state_set = parvexViewStates;
    ATK_OBJECT_CLASS(type)->get_index_in_parent = parvexViewIndex;
}

// The view's rectangle on the screen or in its toplevel window.
static void parvexViewExtents(AtkComponent* component, gint* x, gint* y, gint* width, gint* height, AtkCoordType coordinates)
{
    *x = *y = *width = *height = -1;
    AccessibleView* data = viewData(component);
    auto view = data->view.lock();
    auto window = view ? view->window() : nullptr;
    if (!window || !data->canvas || !gtk_widget_get_realized(data->canvas))
        return;
    CGPoint a = view->convertToWindow({view->bounds().minX(), view->bounds().minY()});
    CGPoint b = view->convertToWindow({view->bounds().maxX(), view->bounds().maxY()});
    CGFloat top = window->contentRect().height() - std::max(a.y, b.y);
    gint originX = 0, originY = 0;
    if (coordinates == ATK_XY_WINDOW) {
        gtk_widget_translate_coordinates(data->canvas, gtk_widget_get_toplevel(data->canvas), 0, 0, &originX, &originY);
    } else {
        gdk_window_get_origin(gtk_widget_get_window(data->canvas), &originX, &originY);
        GtkAllocation allocation;
        gtk_widget_get_allocation(data->canvas, &allocation);
        if (!gtk_widget_get_has_window(data->canvas)) {
            originX += allocation.x;
            originY += allocation.y;
        }
    }
    *x = originX + static_cast<gint>(std::lround(std::min(a.x, b.x)));
    *y = originY + static_cast<gint>(std::lround(top));
    *width = static_cast<gint>(std::lround(std::abs(b.x - a.x)));
    *height = static_cast<gint>(std::lround(std::abs(b.y - a.y)));
}

static gboolean parvexViewGrabFocus(AtkComponent* component)
{
    auto view = viewData(component)->view.lock();
    auto window = view ? view->window() : nullptr;
    if (!window || !view->canBecomeKeyView())
        return FALSE;
    window->makeFirstResponder(view);
    return TRUE;
}

static void parvexViewComponentInit(AtkComponentIface* iface)
{
    iface->get_extents = parvexViewExtents;
    iface->grab_focus = parvexViewGrabFocus;
}

static gint parvexViewActionCount(AtkAction* action)
{
    auto view = viewData(action)->view.lock();
    return view && view->accessibilityRole() != NSAccessibilityRole::staticText ? 1 : 0;
}

// The press runs from the main loop, after the caller has its answer: it may
// bring up a sheet or end the window.
static gboolean parvexViewDoAction(AtkAction* action, gint index)
{
    auto view = viewData(action)->view.lock();
    if (index != 0 || !view || view->accessibilityRole() == NSAccessibilityRole::staticText || !view->isAccessibilityEnabled())
        return FALSE;
    DispatchQueue::main().async([weak = std::weak_ptr<NSView>(view)] {
        if (auto pressed = weak.lock())
            pressed->accessibilityPerformPress();
    });
    return TRUE;
}

static const gchar* parvexViewActionName(AtkAction*, gint index)
{
    return index == 0 ? "click" : nullptr;
}

static void parvexViewActionInit(AtkActionIface* iface)
{
    iface->get_n_actions = parvexViewActionCount;
    iface->do_action = parvexViewDoAction;
    iface->get_name = parvexViewActionName;
}

// The canvas and its accessible object, which lists the children.
struct ParvexCanvas {
    GtkDrawingArea parent;
};
struct ParvexCanvasClass {
    GtkDrawingAreaClass parent;
};
struct ParvexCanvasAccessible {
    GtkWidgetAccessible parent;
};
struct ParvexCanvasAccessibleClass {
    GtkWidgetAccessibleClass parent;
};

G_DEFINE_TYPE(ParvexCanvasAccessible, parvex_canvas_accessible, GTK_TYPE_WIDGET_ACCESSIBLE)
G_DEFINE_TYPE(ParvexCanvas, parvex_canvas, GTK_TYPE_DRAWING_AREA)

static CanvasAccessibility* canvasAccessibility(AtkObject* object)
{
    GtkWidget* widget = gtk_accessible_get_widget(GTK_ACCESSIBLE(object));
    return widget ? static_cast<CanvasAccessibility*>(g_object_get_data(G_OBJECT(widget), accessibilityKey)) : nullptr;
}

static gint parvexCanvasChildCount(AtkObject* object)
{
    auto* accessibility = canvasAccessibility(object);
    return accessibility ? accessibility->count() : 0;
}

static AtkObject* parvexCanvasChild(AtkObject* object, gint index)
{
    auto* accessibility = canvasAccessibility(object);
    AtkObject* child = accessibility ? accessibility->child(index) : nullptr;
    return child ? ATK_OBJECT(g_object_ref(child)) : nullptr;
}

static void parvexCanvasInitialize(AtkObject* object, gpointer data)
{
    ATK_OBJECT_CLASS(parvex_canvas_accessible_parent_class)->initialize(object, data);
    atk_object_set_role(object, ATK_ROLE_PANEL);
}

static void parvex_canvas_accessible_init(ParvexCanvasAccessible*) {}

static void parvex_canvas_accessible_class_init(ParvexCanvasAccessibleClass* type)
{
    ATK_OBJECT_CLASS(type)->get_n_children = parvexCanvasChildCount;
    ATK_OBJECT_CLASS(type)->ref_child = parvexCanvasChild;
    ATK_OBJECT_CLASS(type)->initialize = parvexCanvasInitialize;
}

static void parvex_canvas_init(ParvexCanvas*) {}

static void parvex_canvas_class_init(ParvexCanvasClass* type)
{
    gtk_widget_class_set_accessible_type(GTK_WIDGET_CLASS(type), parvex_canvas_accessible_get_type());
}

GtkWidget* CanvasAccessibility::makeCanvas()
{
    return GTK_WIDGET(g_object_new(parvex_canvas_get_type(), nullptr));
}

CanvasAccessibility::CanvasAccessibility(GtkWidget* canvas)
    : m_canvas(canvas)
{
    g_object_set_data(G_OBJECT(canvas), accessibilityKey, this);
}

CanvasAccessibility::~CanvasAccessibility()
{
    detach();
    for (AtkObject* child : m_children)
        g_object_unref(child);
}

void CanvasAccessibility::detach()
{
    if (m_canvas)
        g_object_set_data(G_OBJECT(m_canvas), accessibilityKey, nullptr);
    for (AtkObject* child : m_children)
        viewData(child)->canvas = nullptr;
    m_canvas = nullptr;
}

AtkObject* CanvasAccessibility::child(int index) const
{
    return index >= 0 && index < count() ? m_children[static_cast<size_t>(index)] : nullptr;
}

void CanvasAccessibility::update(NSWindow& window)
{
    if (!m_canvas)
        return;
    std::vector<std::shared_ptr<NSView>> views;
    if (window.contentView())
        collect(window.contentView(), views);
    AtkObject* parent = gtk_widget_get_accessible(m_canvas);
    bool same = views.size() == m_children.size()
        && std::equal(views.begin(), views.end(), m_children.begin(),
                      [](const auto& view, AtkObject* child) { return viewData(child)->view.lock() == view; });
    if (!same) {
        for (int index = count() - 1; index >= 0; --index) {
            AtkObject* child = m_children[static_cast<size_t>(index)];
            m_children.pop_back();
            g_signal_emit_by_name(parent, "children-changed::remove", index, child);
            g_object_unref(child);
        }
        for (const auto& view : views) {
            auto* child = ATK_OBJECT(g_object_new(parvex_view_accessible_get_type(), nullptr));
            viewData(child)->view = view;
            viewData(child)->canvas = m_canvas;
            atk_object_set_role(child, atkRole(view->accessibilityRole()));
            atk_object_set_parent(child, parent);
            m_children.push_back(child);
            g_signal_emit_by_name(parent, "children-changed::add", count() - 1, child);
        }
    }
    for (AtkObject* child : m_children) {
        AccessibleView* data = viewData(child);
        auto view = data->view.lock();
        if (!view)
            continue;
        if (std::string name = view->accessibilityLabel(); name != data->name || !atk_object_get_name(child)) {
            data->name = name;
            atk_object_set_name(child, name.c_str());
        }
        auto tell = [child](bool& known, bool now, AtkStateType state) {
            if (known != now) {
                known = now;
                atk_object_notify_state_change(child, state, now);
            }
        };
        tell(data->checked, view->isAccessibilityChecked(), ATK_STATE_CHECKED);
        tell(data->enabled, view->isAccessibilityEnabled(), ATK_STATE_ENABLED);
        tell(data->showing, isShowing(*view), ATK_STATE_SHOWING);
        tell(data->focused, isFocused(*view), ATK_STATE_FOCUSED);
    }
}
