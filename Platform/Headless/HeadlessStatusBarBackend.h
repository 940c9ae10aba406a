#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Platform/AppKit/StatusBarBackend.h"

// The backend without a display: it keeps what a real one would show (the
// status items, the open menu) and lets tests and scripts act as the user.
class HeadlessStatusBarBackend : public StatusBarBackend {
public:
    // The installed backend when it is the headless one, else null.
    static HeadlessStatusBarBackend* installed();

    std::vector<std::shared_ptr<NSStatusItem>> statusItems() const;
    std::shared_ptr<NSMenu> openMenu() const { return m_openMenu.lock(); }

    // The user clicks the status item at `index`: its menu opens.
    bool clickStatusItem(int index);
    // The user picks item `index` of the open menu, or dismisses it.
    bool chooseItem(int index);
    void dismissMenu();

    // The menu as it would be drawn, one line per item: "---" for a separator,
    // "✓ " before a title in the on state with an on-state image, "- " in the
    // mixed state, and " (disabled)" after a disabled item.
    static std::vector<std::string> lines(const NSMenu& menu);

    void statusItemAdded(NSStatusItem& item) override;
    void statusItemChanged(NSStatusItem& item) override;
    void statusItemRemoved(NSStatusItem& item) override;
    void menuOpened(NSMenu& menu) override;
    void menuChanged(NSMenu& menu) override;
    void menuClosed(NSMenu& menu) override;

private:
    // Not owned: an item leaves this list from its destructor.
    std::vector<NSStatusItem*> m_items;
    std::weak_ptr<NSMenu> m_openMenu;
};
