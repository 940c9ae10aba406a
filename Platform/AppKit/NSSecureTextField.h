#pragma once

#include "Platform/AppKit/NSSecureTextFieldCell.h"
#include "Platform/AppKit/NSTextField.h"

// A text field whose cell masks its text.
class NSSecureTextField : public NSTextField {
public:
    explicit NSSecureTextField(const CGRect& frame)
        : NSTextField(frame)
    {
        adoptSecureCell();
    }
    explicit NSSecureTextField(const NSCoder& coder)
        : NSTextField(coder)
    {
        adoptSecureCell();
    }

private:
    void adoptSecureCell()
    {
        auto plain = cell();
        auto secure = std::make_shared<NSSecureTextFieldCell>();
        secure->setBezeled(plain->isBezeled());
        secure->setDrawsBackground(plain->drawsBackground());
        secure->setEditable(plain->isEditable());
        setCell(secure);
    }
};
