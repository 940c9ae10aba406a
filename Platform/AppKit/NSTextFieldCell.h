#pragma once

#include <optional>
#include <string>

#include "Platform/AppKit/NSCell.h"
#include "Platform/AppKit/NSColor.h"

class NSCoder;

// The cell of a text field: its text or, while that is empty, a placeholder,
// in its colour over an optional background and bezel. A new cell has neither
// bezel nor background; NSTextField gives its own first cell both.
class NSTextFieldCell : public NSCell {
public:
    explicit NSTextFieldCell(std::string string = {});
    explicit NSTextFieldCell(const NSCoder& coder);

    const std::string& placeholderString() const { return m_placeholder; }
    void setPlaceholderString(std::string placeholder) { m_placeholder = std::move(placeholder); }
    const NSColor& textColor() const { return m_textColor; }
    void setTextColor(const NSColor& color) { m_textColor = color; }
    const std::optional<NSColor>& backgroundColor() const { return m_backgroundColor; }
    void setBackgroundColor(std::optional<NSColor> color) { m_backgroundColor = color; }
    bool drawsBackground() const { return m_drawsBackground; }
    void setDrawsBackground(bool draws) { m_drawsBackground = draws; }
    bool isBezeled() const { return m_bezeled; }
    void setBezeled(bool bezeled) { m_bezeled = bezeled; }
    bool isBordered() const { return m_bordered; }
    void setBordered(bool bordered) { m_bordered = bordered; }

    // The text as drawn: a secure cell shows one bullet per character.
    virtual std::string displayedString() const { return stringValue(); }
    // The least size that shows the whole text (or the placeholder) within
    // the width of `bounds`: wrapped to it, or on one line however wide in
    // single-line mode. Larger than `bounds` where the text would be cut off.
    virtual CGSize cellSizeForBounds(const CGRect& bounds) const;

    void draw(const CGRect& cellFrame, NSView& controlView) override;
    void drawInterior(const CGRect& cellFrame, NSView& controlView) override;

    // Text keeps this far from the left and right of the interior frame.
    static constexpr CGFloat lineFragmentPadding = 2;

private:
    std::string m_placeholder;
    NSColor m_textColor = NSColor::controlTextColor();
    std::optional<NSColor> m_backgroundColor = NSColor::textBackgroundColor();
    bool m_drawsBackground = false;
    bool m_bezeled = false;
    bool m_bordered = false;
};
