#pragma once

#include <optional>

#include "Platform/AppKit/NSView.h"

// A layer-backed view with a background colour, a foreground colour and a
// corner radius; writing any of them redesigns the view at once. The three
// are also reachable by key ("background", "foreground", "ibCornerRadius") so
// an interface file can set them.
class BaseView : public NSView {
public:
    explicit BaseView(const CGRect& frame);
    explicit BaseView(const NSCoder& coder);

    const NSColor& background() const { return m_background; }
    void setBackground(const NSColor& color);
    const NSColor& foreground() const { return m_foreground; }
    void setForeground(const NSColor& color);
    CGFloat ibCornerRadius() const { return m_ibCornerRadius; }
    void setIbCornerRadius(CGFloat radius);

    virtual void configureLayers();
    virtual void notifyViewRedesigned();

    std::optional<NSColor> colorValue(std::string_view key) const override;
    bool setColorValue(std::optional<NSColor> color, std::string_view key) override;
    std::optional<double> numberValue(std::string_view key) const override;
    bool setNumberValue(double value, std::string_view key) override;

protected:
    void didInit() override;

private:
    NSColor m_background{0.344921875, 0.4078125, 0.462890625, 1};
    NSColor m_foreground{0.258984375, 0.678515625, 0.415625, 1};
    CGFloat m_ibCornerRadius = 5;
};
