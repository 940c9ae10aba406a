#pragma once

#include <memory>
#include <string>

class NSImage;
class NSStatusItem;

// What a status item shows in the bar. Its item owns it; it points back weakly.
class NSStatusBarButton {
public:
    const std::shared_ptr<NSImage>& image() const { return m_image; }
    void setImage(std::shared_ptr<NSImage> image);

    const std::string& title() const { return m_title; }
    void setTitle(std::string title);

    // A click on the button: the item's menu opens.
    bool performClick();

private:
    friend class NSStatusItem;
    explicit NSStatusBarButton(std::weak_ptr<NSStatusItem> item);
    void changed();

    std::weak_ptr<NSStatusItem> m_item;
    std::shared_ptr<NSImage> m_image;
    std::string m_title;
};
