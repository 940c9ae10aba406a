#pragma once

#include <memory>
#include <vector>

#include "Platform/AppKit/NSMenuDelegate.h"
#include "Platform/AppKit/NSMenuItem.h"

// A menu: an ordered list of items it owns. Create menus with std::make_shared.
//
// Tracking: open() asks the delegate to bring the items up to date and puts the
// main run loop in event-tracking mode until close(), as a shown menu does (a
// default-mode timer that comes due meanwhile fires once after close()). The
// status-bar backend shows the open menu and reports the user's choice through
// choose() or a dismissal through close(); tests do the same in-process.
class NSMenu : public std::enable_shared_from_this<NSMenu> {
public:
    NSMenu() = default;
    ~NSMenu();
    NSMenu(const NSMenu&) = delete;
    NSMenu& operator=(const NSMenu&) = delete;

    // Weak, as the platform keeps its delegates.
    void setDelegate(const std::shared_ptr<NSMenuDelegate>& delegate) { m_delegate = delegate; }

    // False (and nothing changes) for a null item, an item already in a menu,
    // or an index outside 0...numberOfItems().
    bool insertItem(std::shared_ptr<NSMenuItem> item, int index);
    bool addItem(std::shared_ptr<NSMenuItem> item);
    // False when the index is outside the menu.
    bool removeItem(int index);

    int numberOfItems() const { return static_cast<int>(m_items.size()); }
    // Null outside the menu.
    std::shared_ptr<NSMenuItem> item(int index) const;
    // -1 when absent.
    int indexOf(const NSMenuItem& item) const;
    const std::vector<std::shared_ptr<NSMenuItem>>& items() const { return m_items; }

    bool isOpen() const { return m_open; }
    // False when already open. Another open menu is closed first: one menu is
    // tracked at a time.
    bool open();
    // The user picked the item: the menu closes, then the item's action runs.
    // A separator, a disabled item or one outside the menu changes nothing
    // (the menu stays open) and gives false, as a click on it would. A desktop
    // may report the pick after it closed the menu; the action runs all the same.
    bool choose(int index);
    bool choose(const std::shared_ptr<NSMenuItem>& item);
    void close();

private:
    friend class NSMenuItem;
    void changed();

    std::vector<std::shared_ptr<NSMenuItem>> m_items;
    std::weak_ptr<NSMenuDelegate> m_delegate;
    bool m_open = false;
};
