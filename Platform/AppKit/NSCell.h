#pragma once

#include <memory>
#include <string>

#include "Platform/AppKit/NSAttributedString.h"
#include "Platform/AppKit/NSFont.h"
#include "Platform/AppKit/NSText.h"
#include "Platform/QuartzCore/CGGeometry.h"

class NSEvent;
class NSTextDelegate;
class NSTextView;
class NSView;

// What a control draws and edits through: its text and how it is laid out.
// Drawing and editing take the frame to work in, so a subclass can change the
// frame and hand everything else on unchanged.
class NSCell {
public:
    explicit NSCell(std::string string = {});
    virtual ~NSCell() = default;

    const std::string& stringValue() const { return m_string; }
    virtual void setStringValue(const std::string& string) { m_string = string; }
    const NSFont& font() const { return m_font; }
    void setFont(const NSFont& font) { m_font = font; }
    NSTextAlignment alignment() const { return m_alignment; }
    void setAlignment(NSTextAlignment alignment) { m_alignment = alignment; }
    NSLineBreakMode lineBreakMode() const { return m_lineBreakMode; }
    void setLineBreakMode(NSLineBreakMode mode) { m_lineBreakMode = mode; }
    bool usesSingleLineMode() const { return m_singleLine; }
    void setUsesSingleLineMode(bool single) { m_singleLine = single; }
    bool isEditable() const { return m_editable; }
    // An editable cell is also selectable.
    void setEditable(bool editable);
    bool isSelectable() const { return m_selectable; }
    // A cell that is not selectable is not editable either.
    void setSelectable(bool selectable);
    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled) { m_enabled = enabled; }

    // Where the text goes in a frame: the frame the field editor gets.
    virtual CGRect titleRect(const CGRect& bounds) const { return bounds; }
    virtual void draw(const CGRect& cellFrame, NSView& controlView);
    virtual void drawInterior(const CGRect& cellFrame, NSView& controlView);
    // Puts the editor over the frame in the control, with the cell's text.
    virtual void edit(const CGRect& rect, NSView& controlView, NSTextView& editor,
                      const std::shared_ptr<NSTextDelegate>& delegate, const NSEvent* event);
    // The same, then selects `length` UTF-16 units from `start`.
    virtual void select(const CGRect& rect, NSView& controlView, NSTextView& editor,
                        const std::shared_ptr<NSTextDelegate>& delegate, size_t start, size_t length);
    // Takes the editor out of the control again.
    virtual void endEditing(NSTextView& editor);

protected:
    // How a field editor shows this cell's text (a secure cell masks it).
    virtual void setUpFieldEditorAttributes(NSTextView& editor) const;

private:
    std::string m_string;
    NSFont m_font = NSFont::systemFont(NSFont::systemFontSize);
    NSTextAlignment m_alignment = NSTextAlignment::natural;
    NSLineBreakMode m_lineBreakMode = NSLineBreakMode::byWordWrapping;
    bool m_singleLine = false;
    bool m_editable = false;
    bool m_selectable = false;
    bool m_enabled = true;
};
