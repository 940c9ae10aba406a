#include "Platform/AppKit/NSCell.h"

#include "Platform/AppKit/NSTextView.h"
#include "Platform/Foundation/UTF16.h"

NSCell::NSCell(std::string string)
    : m_string(std::move(string))
{
}

void NSCell::setEditable(bool editable)
{
    m_editable = editable;
    if (editable)
        m_selectable = true;
}

void NSCell::setSelectable(bool selectable)
{
    m_selectable = selectable;
    if (!selectable)
        m_editable = false;
}

void NSCell::draw(const CGRect& cellFrame, NSView& controlView)
{
    drawInterior(cellFrame, controlView);
}

void NSCell::drawInterior(const CGRect&, NSView&)
{
}

void NSCell::edit(const CGRect& rect, NSView& controlView, NSTextView& editor,
                  const std::shared_ptr<NSTextDelegate>& delegate, const NSEvent*)
{
    select(rect, controlView, editor, delegate, UTF16::length(m_string), 0);
}

void NSCell::select(const CGRect& rect, NSView& controlView, NSTextView& editor,
                    const std::shared_ptr<NSTextDelegate>& delegate, size_t start, size_t length)
{
    setUpFieldEditorAttributes(editor);
    editor.setFrame(rect);
    editor.setString(m_string);
    editor.setDelegate(delegate);
    editor.setSelectedRange({start, length});
    if (editor.superview().get() != &controlView)
        controlView.addSubview(editor.shared_from_this());
}

void NSCell::endEditing(NSTextView& editor)
{
    editor.setDelegate({});
    editor.removeFromSuperview();
}

void NSCell::setUpFieldEditorAttributes(NSTextView& editor) const
{
    editor.setFont(m_font);
    editor.setAlignment(m_alignment);
    editor.setEditable(m_editable);
    editor.setUsesMaskedText(false);
}
