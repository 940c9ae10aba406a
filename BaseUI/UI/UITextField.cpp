#include "BaseUI/UI/UITextField.h"

#include "BaseUI/UI/BaseSecureTextFieldCell.h"
#include "BaseUI/UI/BaseTextFieldCell.h"

UITextField::UITextField(const CGRect& frame)
    : NSTextField(frame)
{
}

UITextField::UITextField(const NSCoder& coder)
    : NSTextField(coder)
{
}

void UITextField::didInit()
{
    NSTextField::didInit();
    setupField();
}

Text& UITextField::text()
{
    if (!m_text) {
        std::weak_ptr<UITextField> weak = std::static_pointer_cast<UITextField>(shared_from_this());
        m_text.emplace(weak, true, [weak](const NSColor& color) {
            if (auto field = weak.lock())
                field->setTextColor(color);
        });
    }
    return *m_text;
}

void UITextField::setIsSecure(bool secure)
{
    m_isSecure = secure;
    setupField();
}

void UITextField::setUsesSingleLineMode(bool single)
{
    setLineBreakMode(single ? NSLineBreakMode::byTruncatingHead : NSLineBreakMode::byCharWrapping);
    NSTextField::setUsesSingleLineMode(single);
}

void UITextField::setupField()
{
    setCell(std::make_shared<BaseTextFieldCell>());
    if (m_isSecure)
        setCell(std::make_shared<BaseSecureTextFieldCell>());
    setStringValue("");
    setWantsLayer(true);
    setEditable(true);
    setFocusRingType(NSFocusRingType::none);
    setUsesSingleLineMode(true);
    applyDefaultStyle();
}

void UITextField::applyDefaultStyle()
{
    border().setWidth(1);
    border().setColor(NSColor::gridColor());
    background().setColor(NSColor::white());
}
