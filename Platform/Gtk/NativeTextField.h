#pragma once

#include <gtk/gtk.h>

#include <memory>
#include <string>

#include "Platform/QuartzCore/CGGeometry.h"

class NSTextField;
class NSWindow;

// An editable text field of the model shown as a GtkEntry over the field's
// text area, so typing, selection, the clipboard, undo, input methods and
// accessibility are the desktop's own. What the entry holds becomes the
// field's string value; the field's text, placeholder, masking, font, colour
// and enabled state become the entry's. The field's layer (border,
// background) is drawn beneath by the renderer: the entry itself is clear.
// Input methods keep out of masked GTK entries (ibus will not take their
// focus), so a masked field has an input-method context of its own whose
// committed text goes into the entry: a password may be typed in Chinese.
class NativeTextField {
public:
    NativeTextField(const std::shared_ptr<NSTextField>& field, GtkFixed* parent);
    ~NativeTextField();
    NativeTextField(const NativeTextField&) = delete;
    NativeTextField& operator=(const NativeTextField&) = delete;

    // Brings the entry in line with the field; `frame` is the field's text
    // area in the window's content, y down.
    void update(const CGRect& frame);
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

    std::weak_ptr<NSTextField> m_field;
    GtkFixed* m_parent;
    GtkWidget* m_entry;
    GtkCssProvider* m_css;
    GtkIMContext* m_maskedInput;
    std::string m_cssText;
    CGRect m_frame{-1, -1, 0, 0};
    // Set while the model's values are copied in, so the copy is not sent back.
    bool m_updating = false;
};
