#pragma once

#include <memory>
#include <optional>

#include "BaseUI/Style/Background.h"
#include "BaseUI/Style/Border.h"
#include "Platform/AppKit/NSClipView.h"
#include "Platform/AppKit/NSEdgeInsets.h"
#include "Platform/AppKit/NSTextView.h"

// The kit's multi-line text view. In this system it only holds its style
// values; the border and background records act on the clip view.
class UITextView : public NSTextView {
public:
    UITextView(const CGRect& frame, std::shared_ptr<NSTextContainer> container)
        : NSTextView(frame, std::move(container))
    {
    }
    explicit UITextView(const CGRect& frame)
        : NSTextView(frame)
    {
    }
    explicit UITextView(const NSCoder& coder)
        : NSTextView(coder)
    {
    }

    std::shared_ptr<NSClipView> clipView() const { return m_clipView.lock(); }
    void setClipView(std::weak_ptr<NSClipView> view) { m_clipView = std::move(view); }
    const NSEdgeInsets& contentInsets() const { return m_contentInsets; }
    void setContentInsets(const NSEdgeInsets& insets) { m_contentInsets = insets; }
    const NSColor& selectedTextBackgroundColor() const { return m_selectedTextBackgroundColor; }
    void setSelectedTextBackgroundColor(const NSColor& color) { m_selectedTextBackgroundColor = color; }
    const NSColor& selectedTextColor() const { return m_selectedTextColor; }
    void setSelectedTextColor(const NSColor& color) { m_selectedTextColor = color; }
    CGFloat fontSize() const { return m_fontSize; }
    void setFontSize(CGFloat size) { m_fontSize = size; }

    Border& border()
    {
        if (!m_border)
            m_border.emplace(m_clipView, true);
        return *m_border;
    }
    Background& background()
    {
        if (!m_background)
            m_background.emplace(m_clipView, true);
        return *m_background;
    }

private:
    std::weak_ptr<NSClipView> m_clipView;
    NSEdgeInsets m_contentInsets;
    NSColor m_selectedTextBackgroundColor = NSColor::selectedTextBackgroundColor();
    NSColor m_selectedTextColor = NSColor::selectedTextColor();
    CGFloat m_fontSize = 12;
    std::optional<Border> m_border;
    std::optional<Background> m_background;
};
