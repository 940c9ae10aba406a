#pragma once

#include <memory>

class NSStatusItem;

// The bar of status items; items appear when made and go when released.
class NSStatusBar {
public:
    static constexpr double variableLength = -1;

    static NSStatusBar& system();

    // Panels give each item the room its image needs, whatever length it asks for.
    std::shared_ptr<NSStatusItem> statusItem(double length);
};
