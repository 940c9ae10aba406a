#pragma once

// The text enumerations with the platform's raw values.
enum class NSTextAlignment : int {
    left = 0,
    right = 1,
    center = 2,
    justified = 3,
    natural = 4,
};

enum class NSLineBreakMode : int {
    byWordWrapping = 0,
    byCharWrapping = 1,
    byClipping = 2,
    byTruncatingHead = 3,
    byTruncatingTail = 4,
    byTruncatingMiddle = 5,
};

enum class NSFocusRingType : int {
    automatic = 0,
    none = 1,
    exterior = 2,
};
