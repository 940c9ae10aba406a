#include "Platform/AppKit/NSTextField.h"

#include <cmath>

#include "Platform/AppKit/NSEvent.h"
#include "Platform/AppKit/NSSecureTextFieldCell.h"
#include "Platform/AppKit/NSTextView.h"
#include "Platform/AppKit/NSWindow.h"
#include "Platform/AppKit/TextLayout.h"
#include "Platform/Foundation/UTF16.h"

namespace {

std::shared_ptr<NSTextFieldCell> fieldCell()
{
    auto cell = std::make_shared<NSTextFieldCell>();
    cell->setBezeled(true);
    cell->setDrawsBackground(true);
    cell->setEditable(true);
    return cell;
}

}  // namespace

NSTextField::NSTextField(const CGRect& frame)
    : NSControl(frame), m_cell(fieldCell())
{
}

NSTextField::NSTextField(const NSCoder& coder)
    : NSControl(coder), m_cell(fieldCell())
{
}

void NSTextField::setCell(std::shared_ptr<NSTextFieldCell> cell)
{
    if (!cell)
        return;
    endEditing();
    m_cell = std::move(cell);
    setNeedsDisplay(true);
}

void NSTextField::setStringValue(const std::string& string)
{
    m_cell->setStringValue(string);
    if (auto editor = currentEditor())
        editor->setString(string);
    setNeedsDisplay(true);
}

void NSTextField::setPlaceholderString(std::string placeholder)
{
    m_cell->setPlaceholderString(std::move(placeholder));
    setNeedsDisplay(true);
}

void NSTextField::setEditable(bool editable)
{
    m_cell->setEditable(editable);
    if (!editable)
        endEditing();
}

void NSTextField::setSelectable(bool selectable)
{
    m_cell->setSelectable(selectable);
    if (!selectable)
        endEditing();
}

void NSTextField::setBezeled(bool bezeled)
{
    m_cell->setBezeled(bezeled);
    setNeedsDisplay(true);
}

void NSTextField::setBordered(bool bordered)
{
    m_cell->setBordered(bordered);
    setNeedsDisplay(true);
}

void NSTextField::setDrawsBackground(bool draws)
{
    m_cell->setDrawsBackground(draws);
    setNeedsDisplay(true);
}

void NSTextField::setBackgroundColor(std::optional<NSColor> color)
{
    m_cell->setBackgroundColor(color);
    setNeedsDisplay(true);
}

void NSTextField::setTextColor(const NSColor& color)
{
    m_cell->setTextColor(color);
    setNeedsDisplay(true);
}

void NSTextField::setUsesSingleLineMode(bool single)
{
    m_cell->setUsesSingleLineMode(single);
    setNeedsDisplay(true);
}

void NSTextField::setLineBreakMode(NSLineBreakMode mode)
{
    m_cell->setLineBreakMode(mode);
    setNeedsDisplay(true);
}

void NSTextField::setFont(const NSFont& font)
{
    m_cell->setFont(font);
    setNeedsDisplay(true);
}

void NSTextField::setAlignment(NSTextAlignment alignment)
{
    m_cell->setAlignment(alignment);
    setNeedsDisplay(true);
}

void NSTextField::setEnabled(bool enabled)
{
    NSControl::setEnabled(enabled);
    m_cell->setEnabled(enabled);
    if (!enabled)
        endEditing();
}

void NSTextField::selectText()
{
    auto attached = window();
    if (!attached || !isEditable())
        return;
    auto editor = attached->fieldEditor(true);
    m_editor = editor;
    auto self = std::static_pointer_cast<NSTextField>(shared_from_this());
    m_cell->select(bounds(), *this, *editor, self, 0, UTF16::length(stringValue()));
    setNeedsDisplay(true);
}

void NSTextField::endEditing()
{
    auto editor = currentEditor();
    if (!editor)
        return;
    m_editor.reset();
    m_cell->endEditing(*editor);
    setNeedsDisplay(true);
}

bool NSTextField::acceptsFirstResponder() const
{
    return isEnabled() && isEditable();
}

bool NSTextField::becomeFirstResponder()
{
    selectText();
    return true;
}

bool NSTextField::resignFirstResponder()
{
    endEditing();
    return true;
}

void NSTextField::mouseDown(const NSEvent& event)
{
    if (!acceptsFirstResponder())
        NSControl::mouseDown(event);
}

void NSTextField::mouseUp(const NSEvent& event)
{
    if (!acceptsFirstResponder())
        NSControl::mouseUp(event);
}

void NSTextField::keyDown(const NSEvent& event)
{
    if (auto editor = currentEditor())
        editor->keyDown(event);
    else
        NSControl::keyDown(event);
}

NSAccessibilityRole NSTextField::accessibilityRole() const
{
    if (!isEditable())
        return NSAccessibilityRole::staticText;
    return dynamic_cast<const NSSecureTextFieldCell*>(m_cell.get()) ? NSAccessibilityRole::secureTextField
                                                                    : NSAccessibilityRole::textField;
}

std::string NSTextField::accessibilityLabel() const
{
    return isEditable() ? placeholderString() : stringValue();
}

std::optional<NativeTextEditing> NSTextField::nativeTextEditing() const
{
    if (!isEditable())
        return std::nullopt;
    return NativeTextEditing{stringValue(), placeholderString(),
                             accessibilityRole() == NSAccessibilityRole::secureTextField, isEnabled(), font(),
                             textColor(), m_cell->titleRect(bounds())};
}

void NSTextField::draw(const CGRect&)
{
    m_cell->draw(bounds(), *this);
}

CGSize NSTextField::intrinsicContentSize() const
{
    CGFloat frame = isBezeled() || isBordered() ? 2 : 0;
    CGSize text = TextLayout(NSAttributedString(stringValue()), {.font = font()}).size();
    CGFloat width = usesSingleLineMode() || !isEditable() ? text.width + 2 * NSTextFieldCell::lineFragmentPadding + frame
                                                          : noIntrinsicMetric;
    return {width, std::ceil(font().lineHeight() + frame)};
}

std::optional<NSColor> NSTextField::colorValue(std::string_view key) const
{
    if (key == "backgroundColor")
        return backgroundColor();
    if (key == "textColor")
        return textColor();
    return std::nullopt;
}

bool NSTextField::setColorValue(std::optional<NSColor> color, std::string_view key)
{
    if (key == "backgroundColor")
        setBackgroundColor(color);
    else if (key == "textColor" && color)
        setTextColor(*color);
    else
        return false;
    return true;
}

void NSTextField::textDidChange(NSTextView& editor)
{
    m_cell->setStringValue(editor.string());
    setNeedsDisplay(true);
}
