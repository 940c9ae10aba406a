#include "BaseUI/Style/TrackingArea.h"

#include "Platform/AppKit/NSTrackingArea.h"
#include "Platform/AppKit/NSView.h"

void TrackingArea::enable() const
{
    auto base = this->base();
    if (!base)
        return;
    base->addTrackingArea(std::make_shared<NSTrackingArea>(base->bounds(), options, std::weak_ptr<NSResponder>(base)));
}
