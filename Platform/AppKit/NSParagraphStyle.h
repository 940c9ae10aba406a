#pragma once

#include "Platform/AppKit/NSText.h"

// How a paragraph is laid out: its alignment and where its lines break.
class NSParagraphStyle {
public:
    NSTextAlignment alignment() const { return m_alignment; }
    NSLineBreakMode lineBreakMode() const { return m_lineBreakMode; }

    bool operator==(const NSParagraphStyle&) const = default;

protected:
    NSTextAlignment m_alignment = NSTextAlignment::natural;
    NSLineBreakMode m_lineBreakMode = NSLineBreakMode::byWordWrapping;
};

class NSMutableParagraphStyle : public NSParagraphStyle {
public:
    void setAlignment(NSTextAlignment alignment) { m_alignment = alignment; }
    void setLineBreakMode(NSLineBreakMode mode) { m_lineBreakMode = mode; }
};
