#include "BaseUI/UI/Loading/ProgressView.h"

#include <cstdio>

#include "BaseUI/UI/Loading/MaterialProgress.h"

void ProgressView::didInit()
{
    NSView::didInit();
    if (!isInitializedFromArchive())
        progress()->setLineWidth(2);
}

const std::shared_ptr<MaterialProgress>& ProgressView::progress()
{
    if (!m_progress) {
        m_progress = NSView::make<MaterialProgress>(CGRect{0, 0, 100, 100});
        addSubview(m_progress);
    }
    return m_progress;
}

void ProgressView::mouseDown(const NSEvent&)
{
    std::puts("mouseDown");
    std::fflush(stdout);
}

void ProgressView::mouseUp(const NSEvent&)
{
    std::puts("mouseUp");
    std::fflush(stdout);
}
