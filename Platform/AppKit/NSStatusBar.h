#pragma once

#include <memory>

class NSStatusItem;

// The bar of status items; items appear when made and go when released.
class NSStatusBar {
public:
    static constexpr double variableLength = -1;
    static constexpr double squareLength = -2;

    static NSStatusBar& system();

    std::shared_ptr<NSStatusItem> statusItem(double length);
    // Takes the item out of the bar before it is released.
    void removeStatusItem(const std::shared_ptr<NSStatusItem>& item);
    double thickness() const { return 22; }
};
