#pragma once

#include <functional>
#include <memory>

class NSView;

// A view's click closures. Its owner hands each mouse-up's click count to
// clicked(): 1 runs the single-click closure, 2 the double-click one, any
// other count nothing.
class Event {
public:
    using Block = std::function<void()>;

    explicit Event(std::weak_ptr<NSView> base)
        : m_base(std::move(base))
    {
    }

    std::shared_ptr<NSView> base() const { return m_base.lock(); }
    const Block& signleClickBlock() const { return m_signleClickBlock; }
    void setSignleClickBlock(Block block) { m_signleClickBlock = std::move(block); }
    const Block& doubleClickBlock() const { return m_doubleClickBlock; }
    void setDoubleClickBlock(Block block) { m_doubleClickBlock = std::move(block); }

    void clicked(int clickCount) const
    {
        // A copy: the closure may replace itself.
        Block block = clickCount == 2 ? m_doubleClickBlock : clickCount == 1 ? m_signleClickBlock : nullptr;
        if (block)
            block();
    }

private:
    std::weak_ptr<NSView> m_base;
    Block m_signleClickBlock;
    Block m_doubleClickBlock;
};
