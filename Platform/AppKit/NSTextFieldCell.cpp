#include "Platform/AppKit/NSTextFieldCell.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>

#include "Platform/AppKit/NSCoder.h"
#include "Platform/AppKit/NSGraphicsContext.h"
#include "Platform/AppKit/ViewRenderer.h"
#include "Platform/AppKit/NSTextField.h"
#include "Platform/AppKit/TextLayout.h"

NSTextFieldCell::NSTextFieldCell(std::string string)
    : NSCell(std::move(string))
{
}

NSTextFieldCell::NSTextFieldCell(const NSCoder& coder)
    : NSCell(coder.decodeString("NSContents").value_or(""))
{
}

CGSize NSTextFieldCell::cellSizeForBounds(const CGRect& bounds) const
{
    // What draw() takes off the frame: the bezel or border, then the padding.
    CGFloat frame = m_bezeled || m_bordered ? 2 : 0;
    CGFloat insets = frame + 2 * lineFragmentPadding;
    std::string text = stringValue().empty() ? m_placeholder : displayedString();
    std::optional<CGFloat> width;
    if (!usesSingleLineMode())
        width = std::max<CGFloat>(0, bounds.width() - insets);
    TextLayout layout(NSAttributedString(text), {.font = font(), .lineBreakMode = lineBreakMode(),
                                                 .singleLine = usesSingleLineMode(), .width = width});
    CGSize size = layout.size();
    // An empty text still takes a line.
    CGFloat height = std::max(size.height, font().lineHeight());
    return {std::ceil(size.width + insets), std::ceil(height + frame)};
}

void NSTextFieldCell::draw(const CGRect& cellFrame, NSView& controlView)
{
    auto* context = NSGraphicsContext::current();
    if (!context || (!m_bezeled && !m_bordered)) {
        drawInterior(cellFrame, controlView);
        return;
    }
    cairo_t* cr = context->cgContext();
    cairo_rectangle(cr, cellFrame.minX() + 0.5, cellFrame.minY() + 0.5, cellFrame.width() - 1, cellFrame.height() - 1);
    cairo_set_source_rgba(cr, 0, 0, 0, m_bezeled ? 0.3 : 1);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    drawInterior(cellFrame.insetBy(1, 1), controlView);
}

void NSTextFieldCell::drawInterior(const CGRect& cellFrame, NSView& controlView)
{
    auto* context = NSGraphicsContext::current();
    if (!context)
        return;
    if (m_drawsBackground && m_backgroundColor)
        ViewRenderer::fill(context->cgContext(), cellFrame, *m_backgroundColor);
    // While the field editor works on the text, it draws it.
    auto* field = dynamic_cast<NSTextField*>(&controlView);
    if (field && field->currentEditor())
        return;
    bool placeholder = stringValue().empty();
    std::string text = placeholder ? m_placeholder : displayedString();
    if (text.empty())
        return;
    NSColor color = placeholder ? NSColor::placeholderTextColor() : isEnabled() ? m_textColor : NSColor::disabledControlTextColor();
    CGRect textFrame = cellFrame.insetBy(lineFragmentPadding, 0);
    TextLayout layout(NSAttributedString(text),
                      {.font = font(), .color = color, .alignment = alignment(), .lineBreakMode = lineBreakMode(),
                       .singleLine = usesSingleLineMode(), .width = textFrame.width()});
    layout.draw(*context, textFrame);
}
