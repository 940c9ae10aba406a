#pragma once

#include <memory>

#include "Platform/AppKit/NSButton.h"

// The utility kit's button call: target and action set in one assignment, so a
// click sends the action to the target. Either may be absent.
class KitButton {
public:
    template<class T, class Sender>
    static void setTarget(NSButton& button, const std::shared_ptr<T>& target, void (T::*action)(Sender&))
    {
        if (action) {
            button.setAction(target, action);
        } else {
            button.setTarget(target);
            button.setAction(nullptr);
        }
    }
    static void clearTarget(NSButton& button)
    {
        button.setTarget(nullptr);
        button.setAction(nullptr);
    }
};
