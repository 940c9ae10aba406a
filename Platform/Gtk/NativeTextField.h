#pragma once

#include <gtk/gtk.h>

#include <memory>
#include <string>

#include "Platform/AppKit/NativeTextEditing.h"
#include "Platform/QuartzCore/CGGeometry.h"

class NSView;

// A view of the model that is edited natively (an editable text field)
// shown as a GtkEntry over its text area, so typing, selection, the
// clipboard, undo, input methods and accessibility are the desktop's own.
// What the entry holds goes back to the view; the view's text, placeholder,
// masking, font, colour and enabled state become the entry's. The view's
// layer (border, background) is drawn beneath by the renderer: the entry
// itself is clear.
// Input methods keep out of masked GTK entries (ibus will not take their
// focus), so a masked field has an input-method context of its own whose
// committed text goes into the entry: a password may be typed in Chinese.
class NativeTextField {
public:
    NativeTextField(const std::shared_ptr<NSView>& field, GtkFixed* parent);
    ~NativeTextField();
    NativeTextField(const NativeTextField&) = delete;
    NativeTextField& operator=(const NativeTextField&) = delete;

    // Brings the entry in line with what the field says of itself; `frame`
    // is its text area in the window's content, y down.
    void update(const NativeTextEditing& editing, const CGRect& frame);
    void focus();
    bool hasFocus() const;
    GtkWidget* entry() const { return m_entry; }

private:
    static void changed(GtkEditable* editable, gpointer self);
    static void activated(GtkEntry* entry, gpointer self);
    static gboolean focusedIn(GtkWidget* widget, GdkEvent* event, gpointer self);
    static gboolean focusedOut(GtkWidget* widget, GdkEvent* event, gpointer self);
    static gboolean keyed(GtkWidget* widget, GdkEventKey* event, gpointer self);
    static void committed(GtkIMContext* context, const gchar* text, gpointer self);
    bool isMasked() const { return !gtk_entry_get_visibility(GTK_ENTRY(m_entry)); }
    void style(const std::string& css);

    std::weak_ptr<NSView> m_field;
    GtkFixed* m_parent;
    GtkWidget* m_entry;
    GtkCssProvider* m_css;
    GtkIMContext* m_maskedInput;
    std::string m_cssText;
    CGRect m_frame{-1, -1, 0, 0};
    // Set while the model's values are copied in, so the copy is not sent back.
    bool m_updating = false;
};
