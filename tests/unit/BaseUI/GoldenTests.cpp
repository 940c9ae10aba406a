// The widgets as they look, compared with reference images under golden/.
// scripts/update-goldens redraws the references after a deliberate change.
#include <gtest/gtest.h>

#include "BaseUI/UI/Loading/MaterialProgress.h"
#include "BaseUI/UI/UIButton.h"
#include "BaseUI/UI/UILabel.h"
#include "BaseUI/UI/UITextField.h"
#include "BaseUI/UI/UIUnderlineLabel.h"
#include "Platform/AppKit/NSBitmapImageRep.h"
#include "Platform/AppKit/NSEvent.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/QuartzCore/MediaClock.h"
#include "Shared/Kit/KitColor.h"
#include "support/GoldenImage.h"

namespace {

const NSColor accent = KitColor::rgb(235, 100, 75);
const NSColor blue = KitColor::rgb(30, 100, 200);
const char* modeText = "自动管理模式下，自动识别NTFS卷并以读写模式挂载，在桌面有相应图标，可方便进行打开/推出操作，与正常使用硬盘无异";

// Draws the view at twice its size and compares it with golden/<name>.png.
void expectLooksLike(NSView& view, const std::string& name)
{
    view.layoutSubtreeIfNeeded();
    auto image = NSBitmapImageRep::make(view.bounds().size, golden::scale);
    view.cacheDisplay(view.bounds(), *image);
    golden::expectMatches(*image, "BaseUI", name);
}

std::shared_ptr<UIButton> saveButton()
{
    auto button = NSButton::withTitle<UIButton>("保存");
    button->setFrame({0, 0, 100, 32});
    button->text().setColor(NSColor::white());
    button->text().setFontSize(15);
    button->border().setColor(blue);
    button->border().setWidth(1);
    button->border().setRadius(5);
    button->background().setColor(blue);
    button->highlight().background().setColor(KitColor::rgb(30, 90, 180));
    return button;
}

std::shared_ptr<UILabel> modeLabel(const CGRect& frame, bool singleLine)
{
    auto label = NSView::make<UILabel>(frame);
    label->setUsesSingleLineMode(singleLine);
    label->text().setFontSize(14);
    label->text().setColor(accent);
    label->setStringValue(modeText);
    return label;
}

}  // namespace

TEST(Golden, ButtonAndItsHoverLook)
{
    auto button = saveButton();
    expectLooksLike(*button, "button");
    button->mouseEntered(NSEvent::mouseEvent(NSEvent::EventType::mouseEntered, {}, 0));
    expectLooksLike(*button, "button-hover");
}

TEST(Golden, SecureFieldWithText)
{
    auto field = NSView::make<UITextField>(CGRect{0, 0, 200, 28});
    field->setIsSecure(true);
    field->text().setColor(accent);
    field->text().setFontSize(15);
    field->border().setWidth(1);
    field->border().setColor(KitColor::rgb(133, 183, 183));
    field->border().setRadius(5);
    field->background().setColor(NSColor::white());
    field->setStringValue("密码1234");
    expectLooksLike(*field, "secure-field");
}

TEST(Golden, LabelOnOneLineAndWrapped)
{
    expectLooksLike(*modeLabel({0, 0, 300, 30}, true), "label-single-line");
    expectLooksLike(*modeLabel({0, 0, 300, 70}, false), "label-multi-line");
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
