#pragma once

#include <optional>
#include <string>

#include "BaseUI/Style/HoverStyle.h"
#include "BaseUI/Style/Text.h"
#include "Platform/AppKit/NSButton.h"

// The kit's button: borderless and layer-backed, styled through its records,
// with a hover look (border, background, font size, title colour) once its
// highlight has been read. Clicks reach the caller through target and action.
class UIButton : public NSButton {
public:
    explicit UIButton(const CGRect& frame);
    explicit UIButton(const NSCoder& coder);

    Border& border() { return m_style.border(); }
    Background& background() { return m_style.background(); }
    Highlight& highlight() { return m_style.highlight(); }
    TrackingArea& trackingArea() { return m_style.trackingArea(); }
    bool isEnableTrackingArea() const { return m_style.isEnableTrackingArea(); }
    // Font size 12 and black until styled; a colour recolours the title.
    Text& text();

    // Setting the title colours it with text().color().
    void setTitle(const std::string& title) override;
    // The title as an attributed title in the colour, keeping the alignment.
    void setTitleColor(const NSColor& color);

    void mouseEntered(const NSEvent& event) override;
    void mouseExited(const NSEvent& event) override;

private:
    HoverStyle m_style{*this};
    std::optional<Text> m_text;
};
