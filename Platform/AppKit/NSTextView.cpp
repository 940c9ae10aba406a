#include "Platform/AppKit/NSTextView.h"

#include <cairo.h>

#include <algorithm>

#include "Platform/AppKit/NSEvent.h"
#include "Platform/AppKit/NSGraphicsContext.h"
#include "Platform/AppKit/ViewRenderer.h"
#include "Platform/AppKit/NSSecureTextFieldCell.h"
#include "Platform/AppKit/NSTextContainer.h"
#include "Platform/AppKit/NSTextDelegate.h"
#include "Platform/AppKit/TextLayout.h"
#include "Platform/Foundation/UTF16.h"

NSTextView::NSTextView(const CGRect& frame, std::shared_ptr<NSTextContainer> container)
    : NSView(frame), m_textContainer(container ? std::move(container) : std::make_shared<NSTextContainer>())
{
}

NSTextView::NSTextView(const CGRect& frame)
    : NSTextView(frame, nullptr)
{
}

NSTextView::NSTextView(const NSCoder& coder)
    : NSView(coder), m_textContainer(std::make_shared<NSTextContainer>())
{
}

void NSTextView::setString(const std::string& string)
{
    m_string = string;
    setSelectedRange(m_selectedRange);
    setNeedsDisplay(true);
}

void NSTextView::setFont(const NSFont& font)
{
    m_font = font;
    setNeedsDisplay(true);
}

void NSTextView::setTextColor(const NSColor& color)
{
    m_textColor = color;
    setNeedsDisplay(true);
}

void NSTextView::setAlignment(NSTextAlignment alignment)
{
    m_alignment = alignment;
    setNeedsDisplay(true);
}

void NSTextView::setBackgroundColor(std::optional<NSColor> color)
{
    m_backgroundColor = color;
    setNeedsDisplay(true);
}

void NSTextView::setUsesMaskedText(bool masked)
{
    m_masked = masked;
    setNeedsDisplay(true);
}

void NSTextView::setSelectedRange(NSRange range)
{
    size_t length = UTF16::length(m_string);
    range.location = std::min(range.location, length);
    range.length = std::min(range.length, length - range.location);
    m_selectedRange = range;
}

void NSTextView::insertText(const std::string& text)
{
    if (!m_editable)
        return;
    size_t start = UTF16::utf8Offset(m_string, m_selectedRange.location);
    size_t end = UTF16::utf8Offset(m_string, m_selectedRange.max());
    m_string.replace(start, end - start, text);
    m_selectedRange = {m_selectedRange.location + UTF16::length(text), 0};
    setNeedsDisplay(true);
    if (auto listener = delegate())
        listener->textDidChange(*this);
}

void NSTextView::deleteBackward()
{
    if (!m_editable)
        return;
    size_t end = UTF16::utf8Offset(m_string, m_selectedRange.max());
    size_t start = UTF16::utf8Offset(m_string, m_selectedRange.location);
    if (start == end) {
        if (start == 0)
            return;
        // Back over continuation bytes to the start of the previous character.
        do
            --start;
        while (start > 0 && (static_cast<unsigned char>(m_string[start]) & 0xC0) == 0x80);
    }
    size_t location = UTF16::length(std::string_view(m_string).substr(0, start));
    m_string.erase(start, end - start);
    m_selectedRange = {location, 0};
    setNeedsDisplay(true);
    if (auto listener = delegate())
        listener->textDidChange(*this);
}

void NSTextView::keyDown(const NSEvent& event)
{
    const std::string& characters = event.characters();
    if (characters == "\x7f" || characters == "\b") {
        deleteBackward();
        return;
    }
    bool control = characters.empty()
        || std::any_of(characters.begin(), characters.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; });
    if (control) {
        // A field editor sits inside the field that hands it the keys.
        if (!m_fieldEditor)
            NSView::keyDown(event);
        return;
    }
    insertText(characters);
}

void NSTextView::draw(const CGRect&)
{
    auto* context = NSGraphicsContext::current();
    if (!context)
        return;
    CGRect area = bounds();
    if (m_backgroundColor && !m_fieldEditor)
        ViewRenderer::fill(context->cgContext(), area, *m_backgroundColor);
    CGFloat padding = m_fieldEditor ? 2 : m_textContainer->lineFragmentPadding();
    CGRect textArea = area.insetBy(padding, 0);
    std::string shown = m_masked ? NSSecureTextFieldCell::maskedText(m_string) : m_string;
    TextLayout layout(NSAttributedString(shown),
                      {.font = m_font, .color = m_textColor, .alignment = m_alignment,
                       .lineBreakMode = m_fieldEditor ? NSLineBreakMode::byClipping : NSLineBreakMode::byWordWrapping,
                       .singleLine = m_fieldEditor, .width = textArea.width()});
    layout.draw(*context, textArea);
}

std::optional<NSColor> NSTextView::colorValue(std::string_view key) const
{
    if (key == "backgroundColor")
        return m_backgroundColor;
    if (key == "textColor")
        return m_textColor;
    return std::nullopt;
}

bool NSTextView::setColorValue(std::optional<NSColor> color, std::string_view key)
{
    if (key == "backgroundColor")
        setBackgroundColor(color);
    else if (key == "textColor" && color)
        setTextColor(*color);
    else
        return false;
    return true;
}
