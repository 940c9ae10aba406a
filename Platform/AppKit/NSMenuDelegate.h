#pragma once

class NSMenu;

// Told about a menu's life; every call comes on the main thread.
class NSMenuDelegate {
public:
    virtual ~NSMenuDelegate() = default;

    // The menu is about to be shown: the moment to rebuild its items.
    virtual void menuNeedsUpdate(NSMenu&) { }
};
