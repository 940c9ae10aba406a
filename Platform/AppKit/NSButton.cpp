#include "Platform/AppKit/NSButton.h"

#include <cairo.h>

#include <algorithm>

#include "Platform/AppKit/NSEvent.h"
#include "Platform/AppKit/NSGraphicsContext.h"
#include "Platform/AppKit/NSImage.h"
#include "Platform/AppKit/TextLayout.h"
#include "Platform/AppKit/ViewRenderer.h"
#include "Platform/QuartzCore/CARenderer.h"

namespace {

// Space between an image and the title, and around the content of a bordered
// (bezel) or borderless button.
constexpr CGFloat imageSpacing = 4;
constexpr CGFloat bezelPadding = 12;
constexpr CGFloat plainPadding = 2;

}  // namespace

NSButton::NSButton(const CGRect& frame)
    : NSControl(frame)
{
    NSControl::setAlignment(NSTextAlignment::center);
}

NSButton::NSButton(const NSCoder& coder)
    : NSControl(coder)
{
    NSControl::setAlignment(NSTextAlignment::center);
}

void NSButton::setUp(const std::string& title, std::shared_ptr<NSImage> image)
{
    setTitle(title);
    setImage(std::move(image));
    setFrameSize(intrinsicContentSize());
}

void NSButton::setTitle(const std::string& title)
{
    m_title = title;
    m_attributedTitle.reset();
    setNeedsDisplay(true);
}

NSAttributedString NSButton::attributedTitle() const
{
    if (m_attributedTitle)
        return *m_attributedTitle;
    NSMutableParagraphStyle style;
    style.setAlignment(alignment());
    return NSAttributedString(m_title, {.font = font(), .paragraphStyle = style});
}

void NSButton::setAttributedTitle(const NSAttributedString& title)
{
    m_attributedTitle = title;
    m_title = title.string();
    setNeedsDisplay(true);
}

void NSButton::setImage(std::shared_ptr<NSImage> image)
{
    m_image = std::move(image);
    setNeedsDisplay(true);
}

void NSButton::setAlternateImage(std::shared_ptr<NSImage> image)
{
    m_alternateImage = std::move(image);
    setNeedsDisplay(true);
}

void NSButton::setState(NSControlStateValue state)
{
    m_state = state;
    setNeedsDisplay(true);
}

void NSButton::setBordered(bool bordered)
{
    m_bordered = bordered;
    setNeedsDisplay(true);
}

const std::shared_ptr<NSImage>& NSButton::shownImage() const
{
    return m_state == NSControlStateValue::on && m_alternateImage ? m_alternateImage : m_image;
}

void NSButton::toggleState()
{
    switch (m_buttonType) {
    case NSButtonType::switchButton:
    case NSButtonType::pushOnPushOff:
    case NSButtonType::toggle:
    case NSButtonType::onOff:
        setState(m_state == NSControlStateValue::on ? NSControlStateValue::off : NSControlStateValue::on);
        break;
    case NSButtonType::radio: setState(NSControlStateValue::on); break;
    default: break;
    }
}

void NSButton::performClick()
{
    if (!isEnabled())
        return;
    toggleState();
    sendAction();
}

bool NSButton::contains(const NSEvent& event) const
{
    return bounds().contains(convert(event.locationInWindow(), nullptr));
}

// A disabled button swallows the mouse like an enabled one, as on the platform.
void NSButton::mouseDown(const NSEvent& event)
{
    m_highlighted = isEnabled() && contains(event);
    setNeedsDisplay(true);
}

void NSButton::mouseDragged(const NSEvent& event)
{
    m_highlighted = isEnabled() && contains(event);
    setNeedsDisplay(true);
}

void NSButton::mouseUp(const NSEvent& event)
{
    m_highlighted = false;
    setNeedsDisplay(true);
    if (isEnabled() && contains(event))
        performClick();
}

CGSize NSButton::intrinsicContentSize() const
{
    CGSize text = m_title.empty() ? CGSize{} : TextLayout(attributedTitle(), {.font = font()}).size();
    CGFloat width = text.width, height = text.height;
    if (const auto& image = shownImage()) {
        width += image->pixelsWide() + (m_title.empty() ? 0 : imageSpacing);
        height = std::max<CGFloat>(height, image->pixelsHigh());
    }
    CGFloat padding = m_bordered ? bezelPadding : plainPadding;
    return {std::ceil(width + 2 * padding), std::ceil(height + (m_bordered ? 8 : 2))};
}

void NSButton::draw(const CGRect&)
{
    auto* context = NSGraphicsContext::current();
    if (!context)
        return;
    cairo_t* cr = context->cgContext();
    CGRect content = bounds();
    if (m_bordered) {
        CARenderer::addRoundedRect(cr, content.insetBy(0.5, 0.5), 5);
        CGFloat fill = m_highlighted ? 0.85 : 1;
        cairo_set_source_rgb(cr, fill, fill, fill);
        cairo_fill_preserve(cr);
        cairo_set_source_rgba(cr, 0, 0, 0, 0.25);
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
    }
    CGFloat padding = m_bordered ? bezelPadding : plainPadding;
    content = content.insetBy(padding, 0);
    if (const auto& image = shownImage()) {
        CGFloat w = image->pixelsWide(), h = image->pixelsHigh();
        ViewRenderer::drawImage(*image, {content.minX(), content.midY() - h / 2, w, h});
        CGFloat used = w + imageSpacing;
        content = {content.minX() + used, content.minY(), std::max<CGFloat>(0, content.width() - used), content.height()};
    }
    if (m_title.empty())
        return;
    TextLayout layout(attributedTitle(), {.font = font(),
                                          .color = isEnabled() ? NSColor::controlTextColor() : NSColor::disabledControlTextColor(),
                                          .alignment = alignment(),
                                          .lineBreakMode = NSLineBreakMode::byTruncatingTail,
                                          .singleLine = true,
                                          .width = content.width()});
    CGFloat height = layout.size().height;
    layout.draw(*context, {content.minX(), content.midY() - height / 2, content.width(), height});
}
