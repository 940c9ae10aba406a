#pragma once

#include <memory>
#include <optional>
#include <string>

#include "Platform/AppKit/NSControl.h"
#include "Platform/AppKit/NSTextDelegate.h"
#include "Platform/AppKit/NSTextFieldCell.h"

class NSTextView;

// A text field: its cell holds the text and draws it. An editable field takes
// first responder when clicked and edits through its window's field editor,
// which its cell places over the field.
class NSTextField : public NSControl, public NSTextDelegate {
public:
    // A bezeled, editable field with a white background.
    explicit NSTextField(const CGRect& frame);
    explicit NSTextField(const NSCoder& coder);

    const std::shared_ptr<NSTextFieldCell>& cell() const { return m_cell; }
    // The new cell comes with its own text and settings.
    void setCell(std::shared_ptr<NSTextFieldCell> cell);

    const std::string& stringValue() const { return m_cell->stringValue(); }
    void setStringValue(const std::string& string);
    const std::string& placeholderString() const { return m_cell->placeholderString(); }
    void setPlaceholderString(std::string placeholder);
    bool isEditable() const { return m_cell->isEditable(); }
    void setEditable(bool editable);
    bool isSelectable() const { return m_cell->isSelectable(); }
    void setSelectable(bool selectable);
    bool isBezeled() const { return m_cell->isBezeled(); }
    void setBezeled(bool bezeled);
    bool isBordered() const { return m_cell->isBordered(); }
    void setBordered(bool bordered);
    bool drawsBackground() const { return m_cell->drawsBackground(); }
    void setDrawsBackground(bool draws);
    const std::optional<NSColor>& backgroundColor() const { return m_cell->backgroundColor(); }
    void setBackgroundColor(std::optional<NSColor> color);
    const NSColor& textColor() const { return m_cell->textColor(); }
    void setTextColor(const NSColor& color);
    virtual bool usesSingleLineMode() const { return m_cell->usesSingleLineMode(); }
    virtual void setUsesSingleLineMode(bool single);
    NSLineBreakMode lineBreakMode() const { return m_cell->lineBreakMode(); }
    void setLineBreakMode(NSLineBreakMode mode);

    NSFont font() const override { return m_cell->font(); }
    void setFont(const NSFont& font) override;
    NSTextAlignment alignment() const override { return m_cell->alignment(); }
    void setAlignment(NSTextAlignment alignment) override;
    void setEnabled(bool enabled) override;

    // The field editor while this field is being edited.
    std::shared_ptr<NSTextView> currentEditor() const { return m_editor.lock(); }
    // Starts editing with the whole text selected.
    void selectText();

    bool acceptsFirstResponder() const override;
    bool becomeFirstResponder() override;
    bool resignFirstResponder() override;
    void mouseDown(const NSEvent& event) override;
    void mouseUp(const NSEvent& event) override;
    // Keys go to the field editor while the field is being edited.
    void keyDown(const NSEvent& event) override;
    // An editable field is a text field to assistive technologies, named by
    // its placeholder; a static one is text, named by what it shows.
    NSAccessibilityRole accessibilityRole() const override;
    std::string accessibilityLabel() const override;
    // An editable field may be edited natively, its cell's text area the
    // entry's place.
    std::optional<NativeTextEditing> nativeTextEditing() const override;
    void nativeTextDidChange(const std::string& text) override { setStringValue(text); }
    void draw(const CGRect& dirtyRect) override;
    CGSize intrinsicContentSize() const override;

    std::optional<NSColor> colorValue(std::string_view key) const override;
    bool setColorValue(std::optional<NSColor> color, std::string_view key) override;

    void textDidChange(NSTextView& editor) override;

private:
    void endEditing();

    std::shared_ptr<NSTextFieldCell> m_cell;
    std::weak_ptr<NSTextView> m_editor;
};
