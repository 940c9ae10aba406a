#include "BaseUI/UI/UIButton.h"

UIButton::UIButton(const CGRect& frame)
    : NSButton(frame)
{
    setWantsLayer(true);
    setBordered(false);
}

UIButton::UIButton(const NSCoder& coder)
    : NSButton(coder)
{
    setWantsLayer(true);
    setBordered(false);
}

Text& UIButton::text()
{
    if (!m_text) {
        std::weak_ptr<UIButton> weak = std::static_pointer_cast<UIButton>(shared_from_this());
        m_text.emplace(weak, true, [weak](const NSColor& color) {
            if (auto button = weak.lock())
                button->setTitleColor(color);
        });
    }
    return *m_text;
}

void UIButton::setTitle(const std::string& title)
{
    NSButton::setTitle(title);
    setTitleColor(text().color());
}

void UIButton::setTitleColor(const NSColor& color)
{
    NSMutableParagraphStyle style;
    style.setAlignment(alignment());
    NSMutableAttributedString title(this->title());
    title.addAttributes({.foregroundColor = color, .paragraphStyle = style}, {0, title.length()});
    setAttributedTitle(title);
}

void UIButton::mouseEntered(const NSEvent&)
{
    m_style.mouseEntered();
    const auto& hover = highlight().text();
    if (hover.fontSize() != Text::defaultFontSize)
        setFont(NSFont::systemFont(hover.fontSize()));
    if (hover.color() != NSColor::black())
        setTitleColor(hover.color());
}

void UIButton::mouseExited(const NSEvent&)
{
    m_style.mouseExited();
    setTitleColor(text().color());
    setFont(NSFont::systemFont(text().fontSize()));
}
