#include "BaseUI/Style/HoverStyle.h"

#include "Platform/AppKit/NSView.h"

Border& HoverStyle::border()
{
    if (!m_border)
        m_border.emplace(m_owner.weak_from_this(), true);
    return *m_border;
}

Background& HoverStyle::background()
{
    if (!m_background)
        m_background.emplace(m_owner.weak_from_this(), true);
    return *m_background;
}

TrackingArea& HoverStyle::trackingArea()
{
    if (!m_trackingArea)
        m_trackingArea.emplace(m_owner.weak_from_this());
    return *m_trackingArea;
}

Highlight& HoverStyle::highlight()
{
    if (!m_highlight) {
        trackingArea().enable();
        m_isEnableTrackingArea = true;
        m_highlight.emplace(m_owner.weak_from_this());
    }
    return *m_highlight;
}

void HoverStyle::mouseEntered()
{
    if (auto tracked = trackingArea().base())
        highlight().applyHighlight(*tracked);
}

void HoverStyle::mouseExited()
{
    if (auto tracked = trackingArea().base())
        Highlight::restoreStyle(border(), background(), *tracked);
}
