#pragma once

#include <optional>

#include "BaseUI/Style/HoverStyle.h"
#include "BaseUI/Style/Text.h"
#include "Platform/AppKit/NSTextField.h"

// The kit's single-line entry field: layer-backed, a thin grid-coloured
// border, a white background, no focus ring, and a cell that pads and centres
// its line. isSecure turns it into a masked field.
class UITextField : public NSTextField {
public:
    explicit UITextField(const CGRect& frame);
    explicit UITextField(const NSCoder& coder);

    Border& border() { return m_style.border(); }
    Background& background() { return m_style.background(); }
    // A colour sets the field's text colour.
    Text& text();

    bool isSecure() const { return m_isSecure; }
    // Runs the set-up again: the matching cell, empty content, the default
    // style. Set it first, then the rest.
    void setIsSecure(bool secure);

    // Line breaking follows: truncating the head on one line (a long entry
    // shows its end), wrapping by character otherwise.
    void setUsesSingleLineMode(bool single) override;

    virtual void setupField();
    virtual void applyDefaultStyle();

protected:
    void didInit() override;

private:
    HoverStyle m_style{*this};
    std::optional<Text> m_text;
    bool m_isSecure = false;
};
