// The widgets the settings window does not show, as they look, compared with
// reference images under golden/ (the window's own are the App folder's).
// scripts/update-goldens redraws the references after a deliberate change.
#include <gtest/gtest.h>

#include "BaseUI/Kit/KitColor.h"
#include "BaseUI/UI/Loading/MaterialProgress.h"
#include "BaseUI/UI/UILabel.h"
#include "BaseUI/UI/UIUnderlineLabel.h"
#include "Platform/AppKit/NSBitmapImageRep.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/QuartzCore/MediaClock.h"
#include "support/GoldenImage.h"

namespace {

const char* modeText = "自动管理模式下，自动识别NTFS卷并以读写模式挂载，在桌面有相应图标，可方便进行打开/推出操作，与正常使用硬盘无异";

// Draws the view at twice its size and compares it with golden/<name>.png.
void expectLooksLike(NSView& view, const std::string& name)
{
    view.layoutSubtreeIfNeeded();
    auto image = NSBitmapImageRep::make(view.bounds().size, golden::scale);
    view.cacheDisplay(view.bounds(), *image);
    golden::expectMatches(*image, "BaseUI", name);
}

}  // namespace

TEST(Golden, LabelOnOneLineShowsTheEndOfItsText)
{
    auto label = NSView::make<UILabel>(CGRect{0, 0, 300, 30});
    label->text().setFontSize(14);
    label->text().setColor(KitColor::rgb(235, 100, 75));
    label->setStringValue(modeText);
    expectLooksLike(*label, "label-single-line");
}

TEST(Golden, UnderlineLabel)
{
    // In a frame of its own, so the bar's 5 points past each side show.
    auto frame = NSView::make(CGRect{0, 0, 130, 40});
    auto link = NSView::make<UIUnderlineLabel>(CGRect{5, 5, 120, 30});
    link->setStringValue("插件已安装");
    frame->addSubview(link);
    expectLooksLike(*frame, "underline-label");
}

TEST(Golden, SpinnerAtFourTenthsOfASecond)
{
    MediaClock::drive(50);
    auto spinner = NSView::make<MaterialProgress>(CGRect{0, 0, 100, 100});
    spinner->setAnimate(true);
    MediaClock::advance(0.4);
    expectLooksLike(*spinner, "spinner-0.4s");
    spinner->setAnimate(false);
    RunLoop::main().runUntilIdle();
    MediaClock::release();
}
