#include "Platform/AppKit/NSSecureTextFieldCell.h"

#include <utf8proc.h>

#include "Platform/AppKit/NSTextView.h"

std::string NSSecureTextFieldCell::displayedString() const
{
    return maskedText(stringValue());
}

void NSSecureTextFieldCell::setUpFieldEditorAttributes(NSTextView& editor) const
{
    NSTextFieldCell::setUpFieldEditorAttributes(editor);
    editor.setUsesMaskedText(true);
}

std::string NSSecureTextFieldCell::maskedText(const std::string& text)
{
    // One bullet per user-perceived character (extended grapheme cluster).
    std::string masked;
    auto* bytes = reinterpret_cast<const utf8proc_uint8_t*>(text.data());
    utf8proc_ssize_t remaining = static_cast<utf8proc_ssize_t>(text.size());
    utf8proc_int32_t previous = -1, state = 0, codepoint = 0;
    while (remaining > 0) {
        utf8proc_ssize_t length = utf8proc_iterate(bytes, remaining, &codepoint);
        if (length <= 0) {
            length = 1;
            codepoint = 0xFFFD;
        }
        if (previous < 0 || utf8proc_grapheme_break_stateful(previous, codepoint, &state))
            masked += bullet;
        previous = codepoint;
        bytes += length;
        remaining -= length;
    }
    return masked;
}
