#include "Platform/AppKit/HeadlessWindowBackend.h"

#include <algorithm>

#include "Platform/AppKit/NSBitmapImageRep.h"
#include "Platform/AppKit/NSView.h"
#include "Platform/AppKit/NSWindow.h"

HeadlessWindowBackend* HeadlessWindowBackend::installed()
{
    return dynamic_cast<HeadlessWindowBackend*>(&WindowBackend::current());
}

std::vector<std::shared_ptr<NSWindow>> HeadlessWindowBackend::windows() const
{
    std::vector<std::shared_ptr<NSWindow>> windows;
    for (auto* window : m_windows) {
        if (auto shared = window->weak_from_this().lock())
            windows.push_back(std::move(shared));
    }
    return windows;
}

std::shared_ptr<NSBitmapImageRep> HeadlessWindowBackend::snapshot(NSWindow& window, double scale)
{
    window.layoutIfNeeded();
    auto& view = *window.contentView();
    auto image = NSBitmapImageRep::make(view.bounds().size, scale);
    view.cacheDisplay(view.bounds(), *image);
    return image;
}

void HeadlessWindowBackend::windowOrderedFront(NSWindow& window)
{
    std::erase(m_windows, &window);
    m_windows.push_back(&window);
}

void HeadlessWindowBackend::windowOrderedOut(NSWindow& window)
{
    std::erase(m_windows, &window);
}
