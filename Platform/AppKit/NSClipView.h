#pragma once

#include <memory>
#include <optional>

#include "Platform/AppKit/NSView.h"

// The view a scroll view shows its document through, over its background.
class NSClipView : public NSView {
public:
    using NSView::NSView;

    const std::shared_ptr<NSView>& documentView() const { return m_documentView; }
    void setDocumentView(std::shared_ptr<NSView> view);
    const std::optional<NSColor>& backgroundColor() const { return m_backgroundColor; }
    void setBackgroundColor(std::optional<NSColor> color);
    bool drawsBackground() const { return m_drawsBackground; }
    void setDrawsBackground(bool draws);

    bool isFlipped() const override { return true; }
    void draw(const CGRect& dirtyRect) override;
    std::optional<NSColor> colorValue(std::string_view key) const override;
    bool setColorValue(std::optional<NSColor> color, std::string_view key) override;

private:
    std::shared_ptr<NSView> m_documentView;
    std::optional<NSColor> m_backgroundColor = NSColor::controlBackgroundColor();
    bool m_drawsBackground = true;
};
