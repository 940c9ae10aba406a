#pragma once

#include <functional>
#include <memory>
#include <string>

class NSMenu;
class NSStatusItem;

// Everything the status bar and menus need from a display, in one table that
// the backend chosen at start-up fills in; the model never asks which backend
// runs. A backend only shows the model: user input comes back up through
// NSStatusItem::click(), NSMenu::choose() and NSMenu::close().
class StatusBarBackend {
public:
    virtual ~StatusBarBackend() = default;

    // The installed backend; a headless one unless another was installed.
    static StatusBarBackend& current();
    // Chosen once, before the first status item or menu is shown.
    static void install(std::shared_ptr<StatusBarBackend> backend);

    virtual void statusItemAdded(NSStatusItem& item) = 0;
    // Its image, length or menu changed.
    virtual void statusItemChanged(NSStatusItem& item) = 0;
    virtual void statusItemRemoved(NSStatusItem& item) = 0;

    virtual void menuOpened(NSMenu& menu) = 0;
    // A menu's items or their titles, states or images changed, whether it is
    // open or not.
    virtual void menuChanged(NSMenu& menu) = 0;
    virtual void menuClosed(NSMenu& menu) = 0;
};
