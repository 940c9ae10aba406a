#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BaseUI/Kit/KitColor.h"
#include "BaseUI/UI/Loading/ProgressView.h"
#include "BaseUI/UI/UILabel.h"
#include "BaseUI/UI/UIView.h"
#include "Platform/AppKit/NSEvent.h"
#include "Platform/AppKit/NSTrackingArea.h"
#include "Platform/AppKit/NSWindow.h"
#include "Platform/QuartzCore/CALayer.h"

namespace {

using Type = NSEvent::EventType;

// A UIView that notes the releases that reach it from views in front.
class Behind : public UIView {
public:
    using UIView::UIView;
    int releases = 0;
    void mouseUp(const NSEvent& event) override
    {
        ++releases;
        UIView::mouseUp(event);
    }
};

struct Window {
    std::shared_ptr<NSWindow> window = NSWindow::make({0, 0, 300, 200});
    std::shared_ptr<Behind> behind = NSView::make<Behind>(CGRect{0, 0, 300, 200});
    double now = 0;

    Window()
    {
        window->contentView()->addSubview(behind);
        window->makeKeyAndOrderFront();
    }
    void move(CGFloat x, CGFloat y) { window->sendEvent(NSEvent::mouseEvent(Type::mouseMoved, {x, y}, now)); }
    void click(CGFloat x, CGFloat y)
    {
        now += 0.1;
        window->sendEvent(NSEvent::mouseEvent(Type::leftMouseDown, {x, y}, now));
        window->sendEvent(NSEvent::mouseEvent(Type::leftMouseUp, {x, y}, now));
    }
};

}  // namespace

TEST(UIView, HoversOnlyOnceItsHighlightWasRead)
{
    Window scene;
    auto view = NSView::make<UIView>(CGRect{10, 10, 100, 40});
    scene.behind->addSubview(view);
    view->background().setColor(NSColor::white());
    scene.move(20, 20);
    EXPECT_TRUE(view->trackingAreas().empty());
    EXPECT_FALSE(view->isEnableTrackingArea());

    auto hover = KitColor::rgb(30, 90, 180);
    view->highlight().background().setColor(hover);
    ASSERT_EQ(view->trackingAreas().size(), 1u);
    EXPECT_EQ(view->trackingAreas().front()->options(), 0x221u);
    EXPECT_EQ(view->trackingAreas().front()->rect(), view->bounds());
    EXPECT_TRUE(view->isEnableTrackingArea());
    scene.move(200, 100);
    scene.move(20, 20);
    EXPECT_EQ(view->layer()->backgroundColor(), hover.cgColor());
    scene.move(200, 100);
    EXPECT_EQ(view->layer()->backgroundColor(), NSColor::white().cgColor());
}

TEST(UIView, ClickClosuresByCountAndNoReleaseReachesTheViewBehind)
{
    Window scene;
    auto view = NSView::make<UIView>(CGRect{10, 10, 100, 40});
    scene.behind->addSubview(view);
    std::vector<std::string> runs;
    scene.click(20, 20);
    EXPECT_EQ(scene.behind->releases, 0) << "no closures: nothing runs, nothing goes on";
    scene.now += 1;

    view->event().setSignleClickBlock([&] { runs.push_back("single"); });
    view->event().setDoubleClickBlock([&] { runs.push_back("double"); });
    scene.click(20, 20);
    scene.click(20, 20);
    scene.click(20, 20);
    scene.now += 1;
    scene.click(20, 20);
    EXPECT_EQ(runs, (std::vector<std::string>{"single", "double", "single"})) << "the third click of a run runs neither";
    EXPECT_EQ(scene.behind->releases, 0);
}

TEST(UILabel, ClicksRunItsClosuresUnlessItLetsThemThrough)
{
    Window scene;
    auto label = NSView::make<UILabel>(CGRect{10, 10, 100, 30});
    scene.behind->addSubview(label);
    EXPECT_FALSE(label->isEditable());
    EXPECT_EQ(label->stringValue(), "");
    EXPECT_FALSE(label->layer()->borderColor());
    EXPECT_FALSE(label->layer()->backgroundColor());
    int singles = 0, doubles = 0, behindSingles = 0;
    label->event().setSignleClickBlock([&] { ++singles; });
    label->event().setDoubleClickBlock([&] { ++doubles; });
    scene.behind->event().setSignleClickBlock([&] { ++behindSingles; });
    scene.click(20, 20);
    scene.click(20, 20);
    EXPECT_EQ(singles, 1);
    EXPECT_EQ(doubles, 1);

    label->setIsIgnoresMouseEvents(true);
    scene.now += 1;
    scene.click(20, 20);
    EXPECT_EQ(singles, 1);
    EXPECT_EQ(behindSingles, 1) << "the click reaches the view behind";
    EXPECT_EQ(scene.window->contentView()->hitTest({20, 20}), scene.behind);
}

TEST(ProgressView, SwallowsClicksAndSaysSo)
{
    Window scene;
    auto progress = NSView::make<ProgressView>(CGRect{10, 10, 100, 100});
    scene.behind->addSubview(progress);
    int behindSingles = 0;
    scene.behind->event().setSignleClickBlock([&] { ++behindSingles; });
    testing::internal::CaptureStdout();
    scene.click(50, 50);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "mouseDown\nmouseUp\n");
    EXPECT_EQ(behindSingles, 0);
    EXPECT_EQ(scene.behind->releases, 0);
}
