#pragma once

#include <memory>

#include "Platform/AppKit/NSView.h"

class MaterialProgress;

// Hosts a 100 by 100 point spinner and swallows the clicks on it.
class ProgressView : public NSView {
public:
    using NSView::NSView;

    // Made on first read and added as a subview.
    const std::shared_ptr<MaterialProgress>& progress();

    void mouseDown(const NSEvent& event) override;
    void mouseUp(const NSEvent& event) override;

protected:
    void didInit() override;

private:
    std::shared_ptr<MaterialProgress> m_progress;
};
