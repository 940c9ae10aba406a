#pragma once

// The three states of a menu item or a check box, with the platform's raw values
// (logs print them as numbers).
enum class NSControlStateValue : int {
    off = 0,
    on = 1,
    mixed = -1,
};
