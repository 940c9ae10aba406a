#pragma once

#include "Platform/AppKit/NSTextFieldCell.h"

// A text field cell that never shows its text: one bullet per character, in
// the cell and in the field editor while editing.
class NSSecureTextFieldCell : public NSTextFieldCell {
public:
    using NSTextFieldCell::NSTextFieldCell;

    static constexpr const char* bullet = "\u2022";

    std::string displayedString() const override;
    static std::string maskedText(const std::string& text);

protected:
    void setUpFieldEditorAttributes(NSTextView& editor) const override;
};
