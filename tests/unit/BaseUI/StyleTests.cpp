#include <gtest/gtest.h>

#include "BaseUI/Kit/KitColor.h"
#include "BaseUI/UI/UIButton.h"
#include "BaseUI/UI/UITextField.h"
#include "BaseUI/UI/UIView.h"
#include "Platform/AppKit/NSEvent.h"
#include "Platform/QuartzCore/CALayer.h"

namespace {

const NSColor blue = KitColor::rgb(30, 100, 200);
const NSColor darker = KitColor::rgb(30, 90, 180);
const NSEvent hover = NSEvent::mouseEvent(NSEvent::EventType::mouseEntered, {}, 0);
const NSEvent leave = NSEvent::mouseEvent(NSEvent::EventType::mouseExited, {}, 0);

}  // namespace

TEST(Style, AssignmentsRestyleTheLayerAtOnceAndHighlightValuesWaitForTheMouse)
{
    auto view = NSView::make<UIView>(CGRect{0, 0, 100, 40});
    auto& layer = *view->layer();
    view->border().setColor(blue);
    view->border().setWidth(1);
    view->border().setRadius(5);
    EXPECT_EQ(layer.borderColor(), blue.cgColor());
    EXPECT_EQ(layer.borderWidth(), 1);
    EXPECT_EQ(layer.cornerRadius(), 5);
    view->border().setColor(std::nullopt);
    EXPECT_FALSE(layer.borderColor()) << "none removes the border colour";

    // The hover look is stored only; width and radius of 0 are never applied.
    view->highlight().background().setColor(darker);
    view->highlight().border().setColor(blue);
    EXPECT_FALSE(layer.backgroundColor());
    view->mouseEntered(hover);
    EXPECT_EQ(layer.backgroundColor(), darker.cgColor());
    EXPECT_EQ(layer.borderColor(), blue.cgColor());
    EXPECT_EQ(layer.borderWidth(), 1);
    EXPECT_EQ(layer.cornerRadius(), 5);
    view->highlight().border().setWidth(3);
    EXPECT_EQ(layer.borderWidth(), 1) << "until the mouse enters again";
    view->mouseExited(leave);
    EXPECT_FALSE(layer.backgroundColor()) << "the owner has no background: cleared";
    EXPECT_FALSE(layer.borderColor());
    view->mouseEntered(hover);
    EXPECT_EQ(layer.borderWidth(), 3);
    view->border().setWidth(0);
    view->border().setRadius(0);
    view->background().setColor(blue);
    view->mouseExited(leave);
    EXPECT_EQ(layer.borderWidth(), 0) << "the exit writes the owner's values, 0 included";
    EXPECT_EQ(layer.cornerRadius(), 0);
    EXPECT_EQ(layer.backgroundColor(), blue.cgColor());
}

TEST(Style, BackgroundSetsTheViewsOwnColourPropertyOnlyWhereItHasOne)
{
    auto field = NSView::make<UITextField>(CGRect{0, 0, 100, 30});
    field->background().setColor(blue);
    EXPECT_EQ(field->layer()->backgroundColor(), blue.cgColor());
    EXPECT_EQ(field->backgroundColor(), blue);
    auto view = NSView::make<UIView>(CGRect{0, 0, 10, 10});
    view->background().setColor(blue);
    EXPECT_EQ(view->layer()->backgroundColor(), blue.cgColor());
    EXPECT_FALSE(view->colorValue("backgroundColor"));

    // A base without a layer keeps the value and changes nothing.
    auto plain = NSView::make(CGRect{});
    Border border(plain, true);
    border.setWidth(2);
    EXPECT_EQ(border.width(), 2);
    EXPECT_FALSE(plain->layer());

    // A text colour without a block is only stored.
    Text text(field, true);
    text.setColor(blue);
    EXPECT_EQ(text.color(), blue);
    EXPECT_EQ(field->textColor(), NSColor::black());
    text.setFontSize(20);
    EXPECT_EQ(field->font(), NSFont::systemFont(20));
}

TEST(UIButton, TitleColourAndHoverLook)
{
    auto button = NSButton::withTitle<UIButton>("保存𠀀");
    EXPECT_FALSE(button->isBordered());
    EXPECT_TRUE(button->layer());
    auto title = button->attributedTitle();
    NSRange run;
    EXPECT_EQ(title.attributes(0, &run).foregroundColor, NSColor::black()) << "no text style yet: black";
    EXPECT_EQ(run, (NSRange{0, 4})) << "the whole title, the character outside the basic plane counting two";

    button->setAlignment(NSTextAlignment::right);
    button->text().setColor(NSColor::white());
    button->text().setFontSize(15);
    EXPECT_EQ(button->attributedTitle().attributes(3).foregroundColor, NSColor::white());
    EXPECT_EQ(button->attributedTitle().attributes(0).paragraphStyle->alignment(), NSTextAlignment::right);
    EXPECT_FALSE(button->attributedTitle().attributes(0).font) << "colour and alignment only";

    button->highlight().background().setColor(darker);
    button->highlight().text().setColor(NSColor::black());
    button->highlight().text().setFontSize(12);
    button->mouseEntered(hover);
    EXPECT_EQ(button->layer()->backgroundColor(), darker.cgColor());
    EXPECT_EQ(button->font(), NSFont::systemFont(15)) << "a highlight size of 12 is never applied";
    EXPECT_EQ(button->attributedTitle().attributes(0).foregroundColor, NSColor::white()) << "nor black";
    button->highlight().text().setColor(blue);
    button->highlight().text().setFontSize(16);
    button->mouseEntered(hover);
    EXPECT_EQ(button->font(), NSFont::systemFont(16));
    EXPECT_EQ(button->attributedTitle().attributes(0).foregroundColor, blue);
    button->mouseExited(leave);
    EXPECT_EQ(button->font(), NSFont::systemFont(15));
    EXPECT_EQ(button->attributedTitle().attributes(0).foregroundColor, NSColor::white());
    EXPECT_FALSE(button->layer()->backgroundColor());
}
