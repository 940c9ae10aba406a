#pragma once

#include <cmath>
#include <memory>
#include <string>

#include "Platform/AppKit/NSAttributedString.h"
#include "Platform/AppKit/NSCoder.h"

class NSEvent;
class NSTextDelegate;
class NSTextView;
class NSView;

// What the text field's two cells share: in single-line mode, editing,
// selecting and drawing work in a frame inset `padding` points left and right
// and centred on one line of text; with single-line mode off they take the
// frame as given. Everything but the frame is handed on unchanged.
template<class Cell>
class CenteredTextCell : public Cell {
public:
    explicit CenteredTextCell(std::string string = {})
        : Cell(std::move(string))
    {
    }
    explicit CenteredTextCell(const NSCoder& coder)
        : Cell(coder)
    {
    }

    CGFloat padding = 5;

    // The text's height is that of "中国" in the cell's font. A frame already
    // starting at `padding` (the one drawing hands to the interior after the
    // first adjustment) gets no second horizontal inset, and a centred one no
    // second vertical inset.
    CGRect adjustedFrame(const CGRect& frame) const
    {
        CGFloat textHeight = NSAttributedString("中国", {.font = this->font()}).size().height;
        CGFloat vertical = std::floor(frame.size.height * 0.5 - textHeight * 0.5);
        CGFloat horizontal = frame.origin.x == padding ? 0 : padding;
        return {frame.origin.x + horizontal, frame.origin.y + vertical, frame.size.width - 2 * horizontal,
                frame.size.height - 2 * vertical};
    }

    void edit(const CGRect& rect, NSView& controlView, NSTextView& editor, const std::shared_ptr<NSTextDelegate>& delegate,
              const NSEvent* event) override
    {
        Cell::edit(chosen(rect), controlView, editor, delegate, event);
    }
    void select(const CGRect& rect, NSView& controlView, NSTextView& editor,
                const std::shared_ptr<NSTextDelegate>& delegate, size_t start, size_t length) override
    {
        Cell::select(chosen(rect), controlView, editor, delegate, start, length);
    }
    // Where a native editor shows the text, as the field editor would.
    CGRect titleRect(const CGRect& bounds) const override { return Cell::titleRect(chosen(bounds)); }
    void drawInterior(const CGRect& cellFrame, NSView& controlView) override
    {
        Cell::drawInterior(chosen(cellFrame), controlView);
    }
    void draw(const CGRect& cellFrame, NSView& controlView) override { Cell::draw(chosen(cellFrame), controlView); }
    // A single line needs its padding too.
    CGSize cellSizeForBounds(const CGRect& bounds) const override
    {
        CGSize size = Cell::cellSizeForBounds(bounds);
        if (this->usesSingleLineMode())
            size.width += 2 * padding;
        return size;
    }

private:
    CGRect chosen(const CGRect& frame) const { return this->usesSingleLineMode() ? adjustedFrame(frame) : frame; }
};
