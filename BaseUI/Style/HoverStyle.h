#pragma once

#include <optional>

#include "BaseUI/Style/Background.h"
#include "BaseUI/Style/Border.h"
#include "BaseUI/Style/Highlight.h"
#include "BaseUI/Style/TrackingArea.h"

class NSView;

// The records a hover-highlighting widget owns, each made on first read with
// the widget as base. Reading the highlight the first time installs the
// tracking area, so a widget whose highlight nobody read never hears the mouse.
class HoverStyle {
public:
    explicit HoverStyle(NSView& owner)
        : m_owner(owner)
    {
    }
    HoverStyle(const HoverStyle&) = delete;
    HoverStyle& operator=(const HoverStyle&) = delete;

    Border& border();
    Background& background();
    Highlight& highlight();
    TrackingArea& trackingArea();
    bool isEnableTrackingArea() const { return m_isEnableTrackingArea; }

    // The hover look onto the tracked view (the owner), and the owner's own back.
    void mouseEntered();
    void mouseExited();

private:
    NSView& m_owner;
    std::optional<Border> m_border;
    std::optional<Background> m_background;
    std::optional<Highlight> m_highlight;
    std::optional<TrackingArea> m_trackingArea;
    bool m_isEnableTrackingArea = false;
};
