#pragma once

#include <memory>
#include <optional>
#include <string>

#include "Platform/AppKit/NSAttributedString.h"
#include "Platform/AppKit/NSView.h"

class NSTextContainer;
class NSTextDelegate;

// Multi-line text in a view; a window's field editor is one. Typing reaches it
// as insertText(), which replaces the selection and tells the delegate.
class NSTextView : public NSView {
public:
    NSTextView(const CGRect& frame, std::shared_ptr<NSTextContainer> container);
    explicit NSTextView(const CGRect& frame);
    explicit NSTextView(const NSCoder& coder);

    const std::string& string() const { return m_string; }
    void setString(const std::string& string);
    void setFont(const NSFont& font);
    void setTextColor(const NSColor& color);
    void setAlignment(NSTextAlignment alignment);
    void setBackgroundColor(std::optional<NSColor> color);
    void setEditable(bool editable) { m_editable = editable; }
    void setFieldEditor(bool fieldEditor) { m_fieldEditor = fieldEditor; }
    // Shows one bullet per character (editing a secure field).
    bool usesMaskedText() const { return m_masked; }
    void setUsesMaskedText(bool masked);

    // In UTF-16 units, clamped to the text.
    NSRange selectedRange() const { return m_selectedRange; }
    void setSelectedRange(NSRange range);
    // Replaces the selection with `text` (when editable) and puts the insertion
    // point after it.
    void insertText(const std::string& text);
    // Removes the selection, or the character before the insertion point.
    void deleteBackward();
    // Typed characters are inserted and the delete key deletes backward;
    // return, tab, escape and other control keys go on to the next responder
    // (a field editor drops them).
    void keyDown(const NSEvent& event) override;

    std::shared_ptr<NSTextDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<NSTextDelegate> delegate) { m_delegate = std::move(delegate); }

    // A field editor is reached through the field it edits: clicks in it go
    // on to that field.
    bool acceptsFirstResponder() const override { return !m_fieldEditor; }
    void draw(const CGRect& dirtyRect) override;
    std::optional<NSColor> colorValue(std::string_view key) const override;
    bool setColorValue(std::optional<NSColor> color, std::string_view key) override;

private:
    std::string m_string;
    NSFont m_font = NSFont::systemFont(12);
    NSColor m_textColor = NSColor::textColor();
    NSTextAlignment m_alignment = NSTextAlignment::natural;
    std::optional<NSColor> m_backgroundColor = NSColor::textBackgroundColor();
    bool m_editable = true;
    bool m_fieldEditor = false;
    bool m_masked = false;
    std::shared_ptr<NSTextContainer> m_textContainer;
    NSRange m_selectedRange;
    std::weak_ptr<NSTextDelegate> m_delegate;
};
