#pragma once

#include "BaseUI/UI/CenteredTextCell.h"
#include "Platform/AppKit/NSSecureTextFieldCell.h"

// The masked text field's cell: padded and vertically centred like the plain one.
class BaseSecureTextFieldCell : public CenteredTextCell<NSSecureTextFieldCell> {
public:
    using CenteredTextCell::CenteredTextCell;
};
