#include <gtest/gtest.h>

#include "BaseUI/Kit/KitColor.h"
#include "BaseUI/UI/BaseSecureTextFieldCell.h"
#include "BaseUI/UI/BaseTextFieldCell.h"
#include "BaseUI/UI/UITextField.h"
#include "BaseUI/UI/UIUnderlineLabel.h"
#include "BaseUI/UI/UIView.h"
#include "Platform/AppKit/NSCoder.h"
#include "Platform/AppKit/NSTextView.h"
#include "Platform/AppKit/NSWindow.h"
#include "Platform/QuartzCore/CALayer.h"

TEST(BaseTextFieldCell, PadsAndCentresOneLineOnceAndLeavesOtherFramesAlone)
{
    BaseTextFieldCell cell;
    cell.setFont(NSFont::systemFont(12));
    CGFloat sample = NSAttributedString("中国", {.font = NSFont::systemFont(12)}).size().height;
    ASSERT_GE(sample, 17);
    ASSERT_LT(sample, 18) << "the 12-point system font's sample is 17-odd points high";

    struct Case {
        CGRect frame;
        CGRect adjusted;
    };
    CGFloat tall = NSAttributedString("中国", {.font = NSFont::systemFont(30)}).size().height;
    BaseTextFieldCell big;
    big.setFont(NSFont::systemFont(30));
    for (auto [frame, adjusted] : {
             Case{{0, 0, 200, 30}, {5, 6, 190, 18}},  // floor(15 − 8.5…) = 6
             Case{{5, 6, 190, 18}, {5, 6, 190, 18}},  // the second pass changes nothing
             Case{{5, 0, 100, 30}, {5, 6, 100, 18}},  // already at the padding: no horizontal inset
         }) {
        EXPECT_EQ(cell.adjustedFrame(frame), adjusted);
    }
    CGRect grown = big.adjustedFrame({0, 0, 100, 30});
    EXPECT_EQ(grown.origin.y, std::floor(15 - tall / 2)) << "text taller than the frame: a negative inset";
    EXPECT_LT(grown.origin.y, 0);
    EXPECT_GT(grown.size.height, 30);
}

TEST(UITextField, EditsInTheAdjustedFrameInSingleLineModeAndTheWholeFrameOtherwise)
{
    auto window = NSWindow::make({0, 0, 300, 100});
    auto field = NSView::make<UITextField>(CGRect{10, 10, 200, 30});
    window->contentView()->addSubview(field);
    field->setFont(NSFont::systemFont(12));
    window->makeFirstResponder(field);
    auto editor = field->currentEditor();
    ASSERT_TRUE(editor);
    EXPECT_EQ(editor->frame(), (CGRect{5, 6, 190, 18}));
    window->makeFirstResponder(nullptr);

    field->setUsesSingleLineMode(false);
    EXPECT_EQ(field->lineBreakMode(), NSLineBreakMode::byCharWrapping);
    window->makeFirstResponder(field);
    EXPECT_EQ(field->currentEditor()->frame(), field->bounds());
    field->setUsesSingleLineMode(true);
    EXPECT_EQ(field->lineBreakMode(), NSLineBreakMode::byTruncatingHead);
}

TEST(UITextField, StartsStyledAndTurnsSecureByRunningItsSetUpAgain)
{
    auto field = NSView::make<UITextField>(CGRect{0, 0, 200, 30});
    auto& layer = *field->layer();
    EXPECT_EQ(layer.borderWidth(), 1);
    EXPECT_EQ(layer.borderColor(), NSColor::gridColor().cgColor());
    EXPECT_EQ(layer.backgroundColor(), NSColor::white().cgColor());
    EXPECT_EQ(field->focusRingType(), NSFocusRingType::none);
    EXPECT_TRUE(field->isEditable());
    EXPECT_TRUE(field->usesSingleLineMode());
    EXPECT_TRUE(std::dynamic_pointer_cast<BaseTextFieldCell>(field->cell()));

    field->setStringValue("secret");
    field->text().setColor(KitColor::rgb(235, 100, 75));
    EXPECT_EQ(field->textColor(), KitColor::rgb(235, 100, 75));
    field->setIsSecure(true);
    EXPECT_EQ(field->stringValue(), "");
    EXPECT_TRUE(std::dynamic_pointer_cast<BaseSecureTextFieldCell>(field->cell()));
    field->setStringValue("密码é");
    EXPECT_EQ(field->cell()->displayedString(), "•••");
    EXPECT_EQ(field->textColor(), NSColor::black()) << "the set-up replaced what was set before";
}

TEST(UIUnderlineLabel, MadeWithAFrameItIsALinkFromAnArchiveAPlainLabel)
{
    auto accent = KitColor::rgb(235, 100, 75);
    auto link = NSView::make<UIUnderlineLabel>(CGRect{0, 0, 200, 30});
    link->layoutSubtreeIfNeeded();
    EXPECT_EQ(link->textColor(), accent);
    EXPECT_EQ(link->font(), NSFont::systemFont(18));
    EXPECT_EQ(link->layer()->backgroundColor(), KitColor::rgb(236, 236, 236).cgColor());
    ASSERT_EQ(link->subviews().size(), 1u);
    auto bar = std::dynamic_pointer_cast<UIView>(link->subviews().front());
    ASSERT_TRUE(bar);
    EXPECT_EQ(bar->frame(), (CGRect{-5, 0, 210, 1}));
    EXPECT_EQ(bar->layer()->backgroundColor(), accent.cgColor());

    auto loaded = NSView::make<UIUnderlineLabel>(NSCoder(std::map<std::string, std::string>{{"NSFrame", "{{0, 0}, {200, 30}}"}}));
    EXPECT_EQ(loaded->frame(), (CGRect{0, 0, 200, 30}));
    EXPECT_TRUE(loaded->subviews().empty());
    EXPECT_EQ(loaded->textColor(), NSColor::black());
    EXPECT_FALSE(loaded->layer()->backgroundColor());
}
