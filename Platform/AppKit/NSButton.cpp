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

bool NSButton::canBecomeKeyView() const
{
    return window() && isEnabled() && !isHiddenOrHasHiddenAncestor();
}

void NSButton::keyDown(const NSEvent& event)
{
    if ((event.characters() == " " || event.characters() == "\r") && isEnabled())
        performClick();
    else
        NSControl::keyDown(event);
}

NSAccessibilityRole NSButton::accessibilityRole() const
{
    switch (m_buttonType) {
    case NSButtonType::switchButton: return NSAccessibilityRole::checkBox;
    case NSButtonType::radio: return NSAccessibilityRole::radioButton;
    default: return NSAccessibilityRole::button;
    }
}

bool NSButton::accessibilityPerformPress()
{
    if (!isEnabled())
        return false;
    performClick();
    return true;
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
        width += image->size().width + (m_title.empty() ? 0 : imageSpacing);
        height = std::max<CGFloat>(height, image->size().height);
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
    // The image and the title form one group, placed by the alignment; a check
    // box or radio button keeps it at the leading edge.
    const auto& image = shownImage();
    CGFloat imageWidth = image ? image->size().width : 0;
    CGFloat spacing = image && !m_title.empty() ? imageSpacing : 0;
    std::optional<TextLayout> layout;
    CGFloat titleWidth = 0;
    if (!m_title.empty()) {
        // As wide as the title, or as there is room for: alignment is the
        // group's business, not the line's.
        auto title = attributedTitle();
        CGFloat room = std::max<CGFloat>(0, content.width() - imageWidth - spacing);
        titleWidth = std::min(TextLayout(title, {.font = font()}).size().width, room);
        layout.emplace(title, TextLayout::Style{.font = font(),
                                                .color = isEnabled() ? NSColor::controlTextColor() : NSColor::disabledControlTextColor(),
                                                .lineBreakMode = NSLineBreakMode::byTruncatingTail,
                                                .singleLine = true,
                                                .width = titleWidth});
    }
    CGFloat group = imageWidth + spacing + titleWidth;
    auto placement = m_buttonType == NSButtonType::switchButton || m_buttonType == NSButtonType::radio ? NSTextAlignment::left : alignment();
    if (m_attributedTitle && !m_attributedTitle->runs().empty() && m_attributedTitle->runs().front().attributes.paragraphStyle
        && placement != NSTextAlignment::left)
        placement = m_attributedTitle->runs().front().attributes.paragraphStyle->alignment();
    CGFloat x = placement == NSTextAlignment::center ? content.midX() - group / 2
        : placement == NSTextAlignment::right        ? content.maxX() - group
                                                     : content.minX();
    if (image) {
        CGFloat h = image->size().height;
        ViewRenderer::drawImage(*image, {x, content.midY() - h / 2, imageWidth, h});
    }
    if (layout) {
        CGFloat height = layout->size().height;
        layout->draw(*context, {x + imageWidth + spacing, content.midY() - height / 2, titleWidth, height});
    }
}
