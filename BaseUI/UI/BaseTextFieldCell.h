#pragma once

#include "BaseUI/UI/CenteredTextCell.h"
#include "Platform/AppKit/NSTextFieldCell.h"

// The plain text field's cell: padded and vertically centred.
class BaseTextFieldCell : public CenteredTextCell<NSTextFieldCell> {
public:
    using CenteredTextCell::CenteredTextCell;
};
