#pragma once

#include <functional>
#include <memory>

#include "Platform/Foundation/ObserverRegistration.h"

// Groups changes to layers and views. Changes outside an explicit transaction
// belong to an implicit one that ends when the main run loop next gets to its
// queue; an explicit one ends at its outermost commit. When a transaction that
// changed something ends, the commit observers (a display backend redrawing its
// windows) are told once.
//
// This model has no implicit animations: a changed property shows its new value
// at once, so disabling actions only records the wish of code written for a
// platform that has them.
class CATransaction {
public:
    static void begin();
    static void commit();
    // Ends the implicit transaction now.
    static void flush();

    static bool disableActions();
    static void setDisableActions(bool disable);

    // Called by whatever changes what a window shows.
    static void noteChange();
    [[nodiscard]] static std::unique_ptr<ObserverRegistration> addCommitObserver(std::function<void()> observer);
};
