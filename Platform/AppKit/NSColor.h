#pragma once

#include "Platform/QuartzCore/CGColor.h"
#include "Platform/QuartzCore/CGGeometry.h"

// A colour in the sRGB space, components 0 to 1. Colours are values: two with
// the same components are equal, whichever way they were made.
class NSColor {
public:
    NSColor(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha = 1)
        : m_red(red), m_green(green), m_blue(blue), m_alpha(alpha)
    {
    }
    static NSColor srgb(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha = 1) { return {red, green, blue, alpha}; }
    static NSColor white(CGFloat white, CGFloat alpha = 1) { return {white, white, white, alpha}; }

    static NSColor white() { return {1, 1, 1, 1}; }
    static NSColor black() { return {0, 0, 0, 1}; }
    static NSColor clear() { return {0, 0, 0, 0}; }
    // The system's named colours in the light appearance.
    static NSColor gridColor() { return white(0.9); }
    static NSColor selectedTextBackgroundColor() { return {0.70, 0.84, 1.0, 1}; }
    static NSColor selectedTextColor() { return black(); }
    static NSColor textColor() { return black(); }
    static NSColor textBackgroundColor() { return white(); }
    static NSColor controlTextColor() { return black(); }
    static NSColor disabledControlTextColor() { return {0, 0, 0, 0.25}; }
    static NSColor placeholderTextColor() { return {0, 0, 0, 0.25}; }
    static NSColor controlBackgroundColor() { return white(); }
    static NSColor keyboardFocusIndicatorColor() { return {0.0, 0.40, 0.88, 0.5}; }
    // 236 of 255, the light window background.
    static NSColor windowBackgroundColor() { return white(236 / 255.0); }

    CGFloat redComponent() const { return m_red; }
    CGFloat greenComponent() const { return m_green; }
    CGFloat blueComponent() const { return m_blue; }
    CGFloat alphaComponent() const { return m_alpha; }
    CGColor cgColor() const { return {m_red, m_green, m_blue, m_alpha}; }

    bool operator==(const NSColor&) const = default;

private:
    CGFloat m_red, m_green, m_blue, m_alpha;
};
