#pragma once

#include <optional>

#include "Platform/AppKit/NSColor.h"
#include "Platform/AppKit/NSFont.h"
#include "Platform/AppKit/NSParagraphStyle.h"

// The attributes a run of attributed text may carry; what a run lacks the
// drawing code supplies (the control's font, black text).
struct NSAttributes {
    std::optional<NSFont> font;
    std::optional<NSColor> foregroundColor;
    std::optional<NSColor> backgroundColor;
    std::optional<NSParagraphStyle> paragraphStyle;

    bool operator==(const NSAttributes&) const = default;

    // The attributes `other` sets replace these; the others stay.
    void merge(const NSAttributes& other)
    {
        if (other.font)
            font = other.font;
        if (other.foregroundColor)
            foregroundColor = other.foregroundColor;
        if (other.backgroundColor)
            backgroundColor = other.backgroundColor;
        if (other.paragraphStyle)
            paragraphStyle = other.paragraphStyle;
    }
};
