#pragma once

#include <memory>
#include <optional>

#include "BaseUI/Style/Event.h"
#include "BaseUI/Style/HoverStyle.h"
#include "Platform/AppKit/NSView.h"

class ProgressView;

// The kit's plain container: layer-backed, styled through its records, with a
// hover look once its highlight has been read, and click closures. None of its
// mouse handlers passes the event on.
class UIView : public NSView {
public:
    explicit UIView(const CGRect& frame);
    explicit UIView(const NSCoder& coder);

    Border& border() { return m_style.border(); }
    Background& background() { return m_style.background(); }
    Highlight& highlight() { return m_style.highlight(); }
    TrackingArea& trackingArea() { return m_style.trackingArea(); }
    bool isEnableTrackingArea() const { return m_style.isEnableTrackingArea(); }
    Event& event();
    // Held only; nothing in the kit shows it.
    const std::shared_ptr<ProgressView>& loadingProgress();

    void mouseEntered(const NSEvent& event) override;
    void mouseExited(const NSEvent& event) override;
    void mouseUp(const NSEvent& event) override;

private:
    HoverStyle m_style{*this};
    std::optional<Event> m_event;
    std::shared_ptr<ProgressView> m_loadingProgress;
};
