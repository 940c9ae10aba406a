#pragma once

#include <memory>
#include <optional>

#include "BaseUI/Style/Background.h"
#include "BaseUI/Style/Border.h"
#include "BaseUI/Style/Text.h"

class NSView;

// A widget's hover look: a second border, background and text whose values
// are only stored, until the owner applies them while the mouse is over it.
class Highlight {
public:
    explicit Highlight(std::weak_ptr<NSView> base)
        : m_base(std::move(base))
    {
    }

    std::shared_ptr<NSView> base() const { return m_base.lock(); }
    // Each made empty on first use, storing only.
    Border& border();
    Background& background();
    Text& text();

    // The hover look onto `view`: the background and border colours when set,
    // the border width and corner radius when above 0. Not the text.
    void applyHighlight(NSView& view);
    // The owner's own look back onto `view`, every value as it is (none
    // clears a colour, 0 is written as 0).
    static void restoreStyle(const Border& border, const Background& background, NSView& view);

private:
    std::weak_ptr<NSView> m_base;
    std::optional<Border> m_border;
    std::optional<Background> m_background;
    std::optional<Text> m_text;
};
