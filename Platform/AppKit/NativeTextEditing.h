#pragma once

#include <string>

#include "Platform/AppKit/NSColor.h"
#include "Platform/AppKit/NSFont.h"
#include "Platform/QuartzCore/CGGeometry.h"

// What a desktop backend needs to edit a view's text in an entry of its own
// (the desktop's input methods, clipboard, undo and masking) instead of the
// window's field editor: the text and how it looks, as the view has them now.
struct NativeTextEditing {
    std::string text;
    std::string placeholder;
    // Shown as bullets, never as typed.
    bool masked;
    bool enabled;
    NSFont font;
    NSColor textColor;
    // Where the text goes, in the view's own coordinates.
    CGRect textArea;
};
