#pragma once

#include <functional>
#include <memory>

#include "Platform/AppKit/NSColor.h"

class NSControl;

// A control's text style: the size of its system font, and a colour that the
// owning widget applies through `colorDidSetBlock`.
class Text {
public:
    using ColorDidSetBlock = std::function<void(const NSColor&)>;

    Text(std::weak_ptr<NSControl> base, bool isSet, ColorDidSetBlock colorDidSetBlock = nullptr)
        : m_base(std::move(base)), m_isSet(isSet), m_colorDidSetBlock(std::move(colorDidSetBlock))
    {
    }

    std::shared_ptr<NSControl> base() const { return m_base.lock(); }
    bool isSet() const { return m_isSet; }
    const ColorDidSetBlock& colorDidSetBlock() const { return m_colorDidSetBlock; }
    void setColorDidSetBlock(ColorDidSetBlock block) { m_colorDidSetBlock = std::move(block); }

    static constexpr CGFloat defaultFontSize = 12;
    CGFloat fontSize() const { return m_fontSize; }
    void setFontSize(CGFloat size);
    const NSColor& color() const { return m_color; }
    void setColor(const NSColor& color);

private:
    std::weak_ptr<NSControl> m_base;
    bool m_isSet;
    ColorDidSetBlock m_colorDidSetBlock;
    CGFloat m_fontSize = defaultFontSize;
    NSColor m_color = NSColor::black();
};
