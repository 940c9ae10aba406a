#pragma once

#include <memory>

class NSImage;
class NSStatusItem;

// What a status item shows in the bar. Its item owns it; it points back weakly.
class NSStatusBarButton {
public:
    const std::shared_ptr<NSImage>& image() const { return m_image; }
    void setImage(std::shared_ptr<NSImage> image);

private:
    friend class NSStatusItem;
    explicit NSStatusBarButton(std::weak_ptr<NSStatusItem> item);
    void changed();

    std::weak_ptr<NSStatusItem> m_item;
    std::shared_ptr<NSImage> m_image;
};
