#pragma once

#include <memory>
#include <optional>

#include "Platform/AppKit/NSColor.h"

class NSView;

// A widget's border: colour, width and corner radius of its base's layer.
// With `isSet` each assignment restyles the base at once; without (inside a
// Highlight) it only stores the value. A base without a layer only stores.
class Border {
public:
    Border(std::weak_ptr<NSView> base, bool isSet)
        : m_base(std::move(base)), m_isSet(isSet)
    {
    }

    std::shared_ptr<NSView> base() const { return m_base.lock(); }
    bool isSet() const { return m_isSet; }

    const std::optional<NSColor>& color() const { return m_color; }
    void setColor(std::optional<NSColor> color);
    CGFloat width() const { return m_width; }
    void setWidth(CGFloat width);
    CGFloat radius() const { return m_radius; }
    void setRadius(CGFloat radius);

private:
    std::weak_ptr<NSView> m_base;
    bool m_isSet;
    std::optional<NSColor> m_color;
    CGFloat m_width = 0;
    CGFloat m_radius = 0;
};
