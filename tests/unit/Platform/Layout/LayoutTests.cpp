#include <gtest/gtest.h>

#include "Platform/AppKit/NSButton.h"
#include "Platform/AppKit/NSLayoutConstraint.h"
#include "Platform/AppKit/NSWindow.h"
#include "Platform/Layout/ConstraintViewDSL.h"
#include "Platform/Layout/TethraAnchors.h"

namespace {

std::shared_ptr<NSView> addView(NSView& parent)
{
    auto view = NSView::make(CGRect{});
    parent.addSubview(view);
    return view;
}

}  // namespace

// The settings window's rows, as its controller lays them out in a 480 by 300
// point content view (frames are y up from the bottom-left corner).
TEST(TethraAnchors, TheSettingsWindowRowsComeOutAsLaidOut)
{
    auto window = NSWindow::make({0, 0, 480, 300});
    auto& content = *window->contentView();
    auto login = addView(content), automatic = addView(content), manual = addView(content);
    auto password = addView(content), confirm = addView(content), plugin = addView(content), label = addView(content);
    auto save = NSButton::withTitle("保存");
    content.addSubview(save);

    TethraAnchors(login).top(20).left(30).width(120).height(28);
    TethraAnchors(automatic).below(login, 10).left(30).height(28).widthEqual(manual);
    TethraAnchors(manual).below(login, 10).after(automatic, 20).right(30).height(28);
    TethraAnchors(password).below(automatic, 4).left(30).height(28).widthEqual(confirm);
    TethraAnchors(confirm).below(automatic, 4).after(password, 20).right(30).height(28);
    TethraAnchors(plugin).below(automatic, 4).left(30).width(200).height(28);
    TethraAnchors(label).below(password, 10).left(30).width(420).height(70);
    TethraAnchors(save).bottom(30).left(30).height(32);
    window->layoutIfNeeded();

    EXPECT_EQ(login->frame(), (CGRect{30, 252, 120, 28}));
    EXPECT_EQ(automatic->frame(), (CGRect{30, 214, 200, 28}));
    EXPECT_EQ(manual->frame(), (CGRect{250, 214, 200, 28}));
    EXPECT_EQ(password->frame(), (CGRect{30, 182, 200, 28}));
    EXPECT_EQ(confirm->frame(), (CGRect{250, 182, 200, 28}));
    EXPECT_EQ(plugin->frame(), (CGRect{30, 182, 200, 28}));
    EXPECT_EQ(label->frame(), (CGRect{30, 102, 420, 70}));
    EXPECT_EQ(save->frame(), (CGRect{30, 30, save->intrinsicContentSize().width, 32})) << "its width is the title's";

    // A wider content view: the equal-width pairs share the extra room, the rest stay.
    content.setFrameSize({580, 300});
    window->layoutIfNeeded();
    EXPECT_EQ(automatic->frame(), (CGRect{30, 214, 250, 28}));
    EXPECT_EQ(manual->frame(), (CGRect{300, 214, 250, 28}));
    EXPECT_EQ(label->frame(), (CGRect{30, 102, 420, 70}));

    // A constraint that contradicts the others is ignored; removing a view
    // takes its constraints with it.
    TethraAnchors(login).left(40);
    automatic->removeFromSuperview();
    window->layoutIfNeeded();
    EXPECT_EQ(login->frame().minX(), 30);
    EXPECT_EQ(content.constraints().size(), 14u);
}

TEST(ConstraintMaker, OffsetsFromAnotherViewOrTheSuperviewInAFlippedOrUnflippedParent)
{
    struct Flipped : NSView {
        using NSView::NSView;
        bool isFlipped() const override { return true; }
    };
    auto label = NSView::make(CGRect{0, 0, 200, 30});
    auto bar = addView(*label);
    snp(bar).makeConstraints([&](ConstraintMaker& make) {
        make.leading.equalTo(snp(label).leading()).offset(-5);
        make.trailing.equalTo(snp(label).trailing()).offset(5);
        make.bottom.equalTo(label);
        make.height.equalTo(1);
    });
    label->layoutSubtreeIfNeeded();
    EXPECT_EQ(bar->frame(), (CGRect{-5, 0, 210, 1})) << "along the bottom, 5 points past each side";

    auto flipped = NSView::make<Flipped>(CGRect{0, 0, 100, 100});
    auto child = addView(*flipped);
    snp(child).makeConstraints([&](ConstraintMaker& make) {
        make.top.equalTo(10);
        make.left.equalTo(20);
        make.width.equalTo(30);
        make.height.equalTo(30);
    });
    flipped->layoutSubtreeIfNeeded();
    EXPECT_EQ(child->frame(), (CGRect{20, 10, 30, 30})) << "top 10 is y 10 when y grows downwards";
}
