#include "Platform/Gtk/NativeTextField.h"

#include <cmath>
#include <cstdio>

#include "Platform/AppKit/NSEvent.h"
#include "Platform/AppKit/NSSecureTextFieldCell.h"
#include "Platform/AppKit/NSTextFieldCell.h"
#include "Platform/AppKit/NSView.h"
#include "Platform/AppKit/NSWindow.h"
#include "Platform/QuartzCore/MediaClock.h"

namespace {

std::string rgba(const NSColor& color)
{
    char text[96];
    std::snprintf(text, sizeof text, "rgba(%d,%d,%d,%.3f)", static_cast<int>(std::lround(color.redComponent() * 255)),
                  static_cast<int>(std::lround(color.greenComponent() * 255)),
                  static_cast<int>(std::lround(color.blueComponent() * 255)), color.alphaComponent());
    return text;
}

// The entry adds nothing of its own look: no frame, no background, no
// minimum height; the text keeps the field editor's two points from the sides.
std::string cssFor(const NativeTextEditing& field)
{
    NSColor text = field.enabled ? field.textColor : NSColor::disabledControlTextColor();
    char size[32];
    std::snprintf(size, sizeof size, "%.2fpx", field.font.pointSize());
    return "entry { min-height: 0; min-width: 0; margin: 0; padding: 0 " + std::to_string(NSTextFieldCell::lineFragmentPadding)
        + "px; border: none; border-radius: 0; box-shadow: none; outline: none; background: none; color: " + rgba(text)
        + "; caret-color: " + rgba(text) + "; font-family: \"" + field.font.familyName() + "\"; font-size: " + size
        + "; } entry selection { background-color: " + rgba(NSColor::selectedTextBackgroundColor())
        + "; color: " + rgba(NSColor::selectedTextColor()) + "; }";
}

}  // namespace

NativeTextField::NativeTextField(const std::shared_ptr<NSView>& field, GtkFixed* parent)
    : m_field(field), m_parent(parent), m_entry(gtk_entry_new()), m_css(gtk_css_provider_new())
    , m_maskedInput(gtk_im_multicontext_new())
{
    gtk_style_context_add_provider(gtk_widget_get_style_context(m_entry), GTK_STYLE_PROVIDER(m_css),
                                   GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    gtk_entry_set_has_frame(GTK_ENTRY(m_entry), FALSE);
    gtk_entry_set_invisible_char(GTK_ENTRY(m_entry), g_utf8_get_char(NSSecureTextFieldCell::bullet));
    gtk_entry_set_width_chars(GTK_ENTRY(m_entry), 1);
    g_signal_connect(m_entry, "changed", G_CALLBACK(changed), this);
    g_signal_connect(m_entry, "activate", G_CALLBACK(activated), this);
    g_signal_connect(m_entry, "focus-in-event", G_CALLBACK(focusedIn), this);
    g_signal_connect(m_entry, "focus-out-event", G_CALLBACK(focusedOut), this);
    g_signal_connect(m_entry, "key-press-event", G_CALLBACK(keyed), this);
    g_signal_connect(m_entry, "key-release-event", G_CALLBACK(keyed), this);
    g_signal_connect(m_maskedInput, "commit", G_CALLBACK(committed), this);
    // What the method composes stays in its own window: a password's
    // letters are not shown in the field.
    gtk_im_context_set_use_preedit(m_maskedInput, FALSE);
    gtk_fixed_put(m_parent, m_entry, 0, 0);
}

NativeTextField::~NativeTextField()
{
    g_signal_handlers_disconnect_by_data(m_entry, this);
    g_signal_handlers_disconnect_by_data(m_maskedInput, this);
    gtk_im_context_set_client_window(m_maskedInput, nullptr);
    g_object_unref(m_maskedInput);
    gtk_widget_destroy(m_entry);
    g_object_unref(m_css);
}

void NativeTextField::update(const NativeTextEditing& editing, const CGRect& frame)
{
    auto field = m_field.lock();
    if (!field)
        return;
    m_updating = true;
    GtkEntry* entry = GTK_ENTRY(m_entry);
    bool visible = !field->isHiddenOrHasHiddenAncestor();
    if (visible != static_cast<bool>(gtk_widget_get_visible(m_entry)))
        gtk_widget_set_visible(m_entry, visible);
    if (frame != m_frame) {
        m_frame = frame;
        gtk_fixed_move(m_parent, m_entry, static_cast<int>(std::lround(frame.minX())), static_cast<int>(std::lround(frame.minY())));
        gtk_widget_set_size_request(m_entry, std::max(1, static_cast<int>(std::lround(frame.width()))),
                                    std::max(1, static_cast<int>(std::lround(frame.height()))));
    }
    if (editing.text != gtk_entry_get_text(entry))
        gtk_entry_set_text(entry, editing.text.c_str());
    const char* placeholder = gtk_entry_get_placeholder_text(entry);
    if (editing.placeholder != (placeholder ? placeholder : "")) {
        gtk_entry_set_placeholder_text(entry, editing.placeholder.c_str());
        // Assistive technologies find the field by what it asks for.
        atk_object_set_name(gtk_widget_get_accessible(m_entry), editing.placeholder.c_str());
    }
    if (editing.masked == static_cast<bool>(gtk_entry_get_visibility(entry)))
        gtk_entry_set_visibility(entry, !editing.masked);
    if (editing.enabled != static_cast<bool>(gtk_widget_get_sensitive(m_entry)))
        gtk_widget_set_sensitive(m_entry, editing.enabled);
    style(cssFor(editing));
    m_updating = false;
}

void NativeTextField::style(const std::string& css)
{
    if (css == m_cssText)
        return;
    m_cssText = css;
    gtk_css_provider_load_from_data(m_css, css.c_str(), -1, nullptr);
}

void NativeTextField::focus()
{
    if (!hasFocus())
        gtk_widget_grab_focus(m_entry);
}

bool NativeTextField::hasFocus() const
{
    return gtk_widget_has_focus(m_entry);
}

void NativeTextField::changed(GtkEditable* editable, gpointer data)
{
    auto* self = static_cast<NativeTextField*>(data);
    auto field = self->m_field.lock();
    if (self->m_updating || !field)
        return;
    self->m_updating = true;
    field->nativeTextDidChange(gtk_entry_get_text(GTK_ENTRY(editable)));
    self->m_updating = false;
}

gboolean NativeTextField::focusedOut(GtkWidget*, GdkEvent*, gpointer data)
{
    auto* self = static_cast<NativeTextField*>(data);
    gtk_im_context_focus_out(self->m_maskedInput);
    gtk_im_context_reset(self->m_maskedInput);
    return FALSE;
}

gboolean NativeTextField::keyed(GtkWidget*, GdkEventKey* event, gpointer data)
{
    auto* self = static_cast<NativeTextField*>(data);
    return self->isMasked() && gtk_widget_has_focus(self->m_entry)
        && gtk_im_context_filter_keypress(self->m_maskedInput, event);
}

// Replaces the selection, as typing does.
void NativeTextField::committed(GtkIMContext*, const gchar* text, gpointer data)
{
    auto* self = static_cast<NativeTextField*>(data);
    GtkEditable* editable = GTK_EDITABLE(self->m_entry);
    gtk_editable_delete_selection(editable);
    gint position = gtk_editable_get_position(editable);
    gtk_editable_insert_text(editable, text, -1, &position);
    gtk_editable_set_position(editable, position);
}

// Return in the entry is return in the window: its default button clicks.
void NativeTextField::activated(GtkEntry*, gpointer data)
{
    auto* self = static_cast<NativeTextField*>(data);
    auto field = self->m_field.lock();
    if (auto window = field ? field->window() : nullptr)
        window->sendEvent(NSEvent::keyEvent("\r", CACurrentMediaTime()));
}

gboolean NativeTextField::focusedIn(GtkWidget*, GdkEvent*, gpointer data)
{
    auto* self = static_cast<NativeTextField*>(data);
    if (self->isMasked()) {
        // The parent's window: the method takes a window that is no masked entry's.
        gtk_im_context_set_client_window(self->m_maskedInput, gtk_widget_get_window(GTK_WIDGET(self->m_parent)));
        GtkAllocation area;
        gtk_widget_get_allocation(self->m_entry, &area);
        GdkRectangle caret{area.x, area.y, 1, area.height};
        gtk_im_context_set_cursor_location(self->m_maskedInput, &caret);
        gtk_im_context_focus_in(self->m_maskedInput);
    }
    auto field = self->m_field.lock();
    auto window = field ? field->window() : nullptr;
    if (window && !self->m_updating && window->firstResponder() != field)
        window->makeFirstResponder(field);
    return FALSE;
}
