#pragma once

#include <memory>

class NSImage;
class NSMenu;

// One item of the status bar: the image it shows and the menu a click opens.
// It stays in the bar for as long as somebody keeps it.
class NSStatusItem : public std::enable_shared_from_this<NSStatusItem> {
public:
    ~NSStatusItem();
    NSStatusItem(const NSStatusItem&) = delete;
    NSStatusItem& operator=(const NSStatusItem&) = delete;

    const std::shared_ptr<NSImage>& image() const { return m_image; }
    void setImage(std::shared_ptr<NSImage> image);

    // Kept by the item.
    const std::shared_ptr<NSMenu>& menu() const { return m_menu; }
    void setMenu(std::shared_ptr<NSMenu> menu);

    // The user clicked the item (sent by the backend): its menu opens. False
    // when there is no menu or it is open already.
    bool click();

private:
    friend class NSStatusBar;
    NSStatusItem() = default;
    void changed();

    std::shared_ptr<NSImage> m_image;
    std::shared_ptr<NSMenu> m_menu;
};
