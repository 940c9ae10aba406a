#include "Platform/Gtk/GtkWindowBackend.h"

#include <gdk/gdkx.h>

#include <algorithm>

#include "Platform/AppKit/NSWindow.h"
#include "Platform/Gtk/GtkHostWindow.h"
#include "Platform/QuartzCore/AnimationTimeline.h"
#include "Platform/QuartzCore/CATransaction.h"

namespace {

// About sixty frames a second while something moves.
constexpr guint frameInterval = 16;

}  // namespace

GtkWindowBackend::GtkWindowBackend()
    : m_commits(CATransaction::addCommitObserver([this] { refresh(); }))
{
}

GtkWindowBackend::~GtkWindowBackend()
{
    if (m_frameTimer)
        g_source_remove(m_frameTimer);
}

GtkHostWindow* GtkWindowBackend::host(const NSWindow& window) const
{
    auto found = std::find_if(m_hosts.begin(), m_hosts.end(), [&](const auto& host) { return host->window() == &window; });
    return found == m_hosts.end() ? nullptr : found->get();
}

void GtkWindowBackend::windowOrderedFront(NSWindow& window)
{
    GtkHostWindow* shown = host(window);
    if (!shown) {
        m_hosts.push_back(std::make_unique<GtkHostWindow>(window));
        shown = m_hosts.back().get();
        auto parent = window.sheetParent();
        shown->show(parent ? host(*parent) : nullptr);
    } else {
        shown->update();
    }
    shown->present(GDK_CURRENT_TIME);
}

void GtkWindowBackend::windowOrderedOut(NSWindow& window)
{
    auto found = std::find_if(m_hosts.begin(), m_hosts.end(), [&](const auto& host) { return host->window() == &window; });
    if (found == m_hosts.end())
        return;
    // It may be gone from inside one of its own event handlers: the GTK
    // window goes from the screen now and from memory once those are done.
    auto* retired = found->release();
    m_hosts.erase(found);
    retired->detach();
    g_idle_add([](gpointer host) -> gboolean {
        delete static_cast<GtkHostWindow*>(host);
        return G_SOURCE_REMOVE;
    }, retired);
}

void GtkWindowBackend::windowChanged(NSWindow& window)
{
    GtkHostWindow* shown = host(window);
    if (!shown)
        return;
    shown->update();
    if (window.isKeyWindow() && !gtk_window_is_active(shown->gtkWindow()))
        shown->present(GDK_CURRENT_TIME);
}

// Windows first, their sheets after, the key window last, so it ends on top
// with the focus.
void GtkWindowBackend::applicationActivated(bool)
{
    guint32 time = GDK_CURRENT_TIME;
    GdkDisplay* display = gdk_display_get_default();
    std::vector<GtkHostWindow*> order;
    for (const auto& shown : m_hosts) {
        if (shown->window() && !shown->window()->isSheet())
            order.push_back(shown.get());
    }
    for (const auto& shown : m_hosts) {
        if (shown->window() && shown->window()->isSheet())
            order.push_back(shown.get());
    }
    std::stable_partition(order.begin(), order.end(), [](GtkHostWindow* shown) { return !shown->window()->isKeyWindow(); });
    for (GtkHostWindow* shown : order) {
        // A request from another program carries no user time: the server's
        // time now lets the window manager give the focus.
        if (display && GDK_IS_X11_DISPLAY(display) && gtk_widget_get_realized(GTK_WIDGET(shown->gtkWindow())))
            time = gdk_x11_get_server_time(gtk_widget_get_window(GTK_WIDGET(shown->gtkWindow())));
        shown->present(time);
    }
}

void GtkWindowBackend::refresh()
{
    for (const auto& shown : m_hosts)
        shown->update();
    keepAnimating();
}

void GtkWindowBackend::keepAnimating()
{
    if (m_frameTimer || !AnimationTimeline::shared().hasRunningAnimations())
        return;
    m_frameTimer = g_timeout_add(frameInterval, [](gpointer data) -> gboolean {
        auto* self = static_cast<GtkWindowBackend*>(data);
        for (const auto& shown : self->m_hosts)
            shown->redraw();
        if (AnimationTimeline::shared().hasRunningAnimations())
            return G_SOURCE_CONTINUE;
        self->m_frameTimer = 0;
        return G_SOURCE_REMOVE;
    }, this);
}
