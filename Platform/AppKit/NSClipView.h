#pragma once

#include <optional>

#include "Platform/AppKit/NSView.h"

// The view a scroll view shows its document through, over its background.
class NSClipView : public NSView {
public:
    using NSView::NSView;

    void setBackgroundColor(std::optional<NSColor> color);

    bool isFlipped() const override { return true; }
    void draw(const CGRect& dirtyRect) override;
    std::optional<NSColor> colorValue(std::string_view key) const override;
    bool setColorValue(std::optional<NSColor> color, std::string_view key) override;

private:
    std::optional<NSColor> m_backgroundColor = NSColor::controlBackgroundColor();
};
