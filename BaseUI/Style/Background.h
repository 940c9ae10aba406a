#pragma once

#include <memory>
#include <optional>

#include "Platform/AppKit/NSColor.h"

class NSView;

// A widget's background colour: its base's layer colour and, where the base
// has a "backgroundColor" property holding a value, that property as well.
class Background {
public:
    Background(std::weak_ptr<NSView> base, bool isSet)
        : m_base(std::move(base)), m_isSet(isSet)
    {
    }

    std::shared_ptr<NSView> base() const { return m_base.lock(); }
    bool isSet() const { return m_isSet; }

    const std::optional<NSColor>& color() const { return m_color; }
    void setColor(std::optional<NSColor> color);

private:
    std::weak_ptr<NSView> m_base;
    bool m_isSet;
    std::optional<NSColor> m_color;
};
