#pragma once

#include <memory>

#include "Platform/AppKit/NSStatusBarButton.h"

class NSImage;
class NSMenu;

// One item of the status bar: a button and the menu a click opens. It stays in
// the bar for as long as somebody keeps it.
class NSStatusItem : public std::enable_shared_from_this<NSStatusItem> {
public:
    ~NSStatusItem();
    NSStatusItem(const NSStatusItem&) = delete;
    NSStatusItem& operator=(const NSStatusItem&) = delete;

    double length() const { return m_length; }

    const std::shared_ptr<NSStatusBarButton>& button() const { return m_button; }
    // The button's image.
    const std::shared_ptr<NSImage>& image() const { return m_button->image(); }
    void setImage(std::shared_ptr<NSImage> image) { m_button->setImage(std::move(image)); }

    // Kept by the item.
    const std::shared_ptr<NSMenu>& menu() const { return m_menu; }
    void setMenu(std::shared_ptr<NSMenu> menu);

    // The user clicked the item (sent by the backend): its menu opens. False
    // when there is no menu or it is open already.
    bool click();

private:
    friend class NSStatusBar;
    friend class NSStatusBarButton;
    explicit NSStatusItem(double length);
    void attachButton();
    void changed();

    double m_length = 0;
    std::shared_ptr<NSStatusBarButton> m_button;
    std::shared_ptr<NSMenu> m_menu;
};
