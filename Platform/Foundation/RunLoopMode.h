#pragma once

enum class RunLoopMode {
    defaultMode,
    eventTracking,
    common,  // a timer in common modes fires in every mode
};
