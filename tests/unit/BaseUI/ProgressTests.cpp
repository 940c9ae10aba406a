#include <gtest/gtest.h>

#include <cmath>

#include "BaseUI/UI/Loading/MaterialProgress.h"
#include "BaseUI/UI/Loading/ProgressUtils.h"
#include "BaseUI/UI/Loading/ProgressView.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/QuartzCore/CAAnimationGroup.h"
#include "Platform/QuartzCore/CAShapeLayer.h"
#include "Platform/QuartzCore/MediaClock.h"

namespace {

class Spinner : public ::testing::Test {
protected:
    void SetUp() override { MediaClock::drive(start); }
    void TearDown() override
    {
        RunLoop::main().runUntilIdle();
        MediaClock::release();
    }
    // Lets the clock run on to `seconds` after the start, cycle end by cycle end.
    void runTo(double seconds)
    {
        while (MediaClock::now() < start + seconds - 1e-9) {
            MediaClock::advance(std::min(0.05, start + seconds - MediaClock::now()));
            RunLoop::main().runUntilIdle();
        }
    }

    static constexpr double start = 1000;
};

}  // namespace

TEST_F(Spinner, BuildsItsArcFromTheBoundsAndProgressViewThinsIt)
{
    auto spinner = NSView::make<MaterialProgress>(CGRect{0, 0, 100, 100});
    auto arc = spinner->progressLayer();
    EXPECT_EQ(arc->lineWidth(), 3.75) << "radius 37.5, a tenth of it";
    EXPECT_EQ(arc->strokeEnd(), 0.8);
    EXPECT_EQ(arc->lineCap(), CAShapeLayerLineCap::round);
    EXPECT_EQ(arc->fillColor(), NSColor::clear().cgColor());
    EXPECT_EQ(arc->strokeColor(), spinner->foreground().cgColor());
    EXPECT_EQ(arc->superlayer(), spinner->backgroundRotationLayer());
    EXPECT_EQ(spinner->backgroundRotationLayer()->superlayer(), spinner->layer());
    ASSERT_TRUE(arc->path());
    const auto& elements = arc->path()->elements();
    ASSERT_EQ(elements.size(), 5u);
    EXPECT_EQ(elements.front().points[0], (CGPoint{87.5, 50}));
    EXPECT_NEAR(elements[1].points[2].y, 87.5, 1e-9) << "counter-clockwise from the right";
    EXPECT_EQ(spinner->layer()->cornerRadius(), 5);

    spinner->setForeground(NSColor::white());
    EXPECT_EQ(arc->strokeColor(), NSColor::white().cgColor());
    spinner->setBackground(NSColor::black());
    spinner->setIbCornerRadius(9);
    EXPECT_EQ(spinner->layer()->backgroundColor(), NSColor::black().cgColor());
    EXPECT_EQ(spinner->layer()->cornerRadius(), 9);
    EXPECT_TRUE(spinner->setNumberValue(4, "lineWidth"));
    EXPECT_EQ(arc->lineWidth(), 4) << "as an interface file would set it";

    auto host = NSView::make<ProgressView>(CGRect{0, 0, 120, 120});
    EXPECT_EQ(host->progress()->frame(), (CGRect{0, 0, 100, 100}));
    EXPECT_EQ(host->progress()->progressLayer()->lineWidth(), 2);
    EXPECT_EQ(host->subviews().size(), 1u);
}

TEST_F(Spinner, TheArcGrowsAndShrinksEachCycleWhileTheCircleTurns)
{
    auto spinner = NSView::make<MaterialProgress>(CGRect{0, 0, 100, 100});
    spinner->setHidden(true);
    spinner->setAnimate(true);
    spinner->setAnimate(true);
    EXPECT_FALSE(spinner->isHidden());
    auto arc = spinner->progressLayer();
    auto turning = spinner->backgroundRotationLayer();
    EXPECT_EQ(arc->animationKeys(), std::vector<std::string>{"strokeEnd"}) << "started once";
    EXPECT_EQ(turning->animationKeys(), std::vector<std::string>{"transform.rotation"});

    CAMediaTimingFunction ease(CAMediaTimingFunction::Name::easeInEaseOut);
    struct Moment {
        double at, strokeEnd, strokeStart;
    };
    for (auto [at, end, begin] : {Moment{0.4, 0.8 * ease.evaluate(0.8 / 1.5), 0}, Moment{0.75, 0.8, 0},
                                  Moment{1.2, 0.8, 0.8 * ease.evaluate(0.9 / 1.5)}}) {
        SCOPED_TRACE(at);
        EXPECT_NEAR(arc->presentationValue("strokeEnd", start + at), end, 1e-9);
        EXPECT_NEAR(arc->presentationValue("strokeStart", start + at), begin, 1e-9);
        EXPECT_NEAR(turning->presentationValue("transform.rotation", start + at), at / 0.75, 1e-9);
    }

    // Each cycle ends, turns the arc on by 288 degrees and starts again.
    runTo(1.5);
    EXPECT_NEAR(spinner->currentRotation(), MaterialProgress::cycleTurn, 1e-12);
    EXPECT_EQ(arc->affineTransform(), CGAffineTransform::rotation(MaterialProgress::cycleTurn));
    EXPECT_NEAR(arc->presentationValue("strokeEnd", start + 1.5 + 0.375), 0.8 * ease.evaluate(0.5), 1e-9);
    runTo(7.5);
    double rest = std::fmod(spinner->currentRotation(), MaterialProgress::π2);
    EXPECT_LT(std::min(rest, MaterialProgress::π2 - rest), 1e-9) << "five cycles are four whole turns";

    // Off while staying on display: still and visible.
    spinner->setDisplayAfterAnimationEnds(true);
    spinner->setAnimate(false);
    EXPECT_FALSE(spinner->isHidden());
    EXPECT_TRUE(arc->animationKeys().empty());
    EXPECT_TRUE(turning->animationKeys().empty());
    double stopped = spinner->currentRotation();
    runTo(10);
    EXPECT_EQ(spinner->currentRotation(), stopped) << "the stopped cycle does not restart";
    spinner->setAnimate(true);
    spinner->setDisplayAfterAnimationEnds(false);
    spinner->setAnimate(false);
    EXPECT_TRUE(spinner->isHidden());
}

TEST(ProgressUtils, ConvertsEachBezierElementToItsPathElement)
{
    NSBezierPath path;
    path.move({0, 0});
    path.line({10, 0});
    path.curve({10, 10}, {12, 3}, {12, 7});
    path.close();
    CGMutablePath expected;
    expected.move({0, 0});
    expected.addLine({10, 0});
    expected.addCurve({10, 10}, {12, 3}, {12, 7});
    expected.closeSubpath();
    EXPECT_EQ(static_cast<const CGPath&>(cgPath(path)), static_cast<const CGPath&>(expected));
}

TEST(IndeterminateAnimation, TheBaseVersionsAreAbstract)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto view = NSView::make<IndeterminateAnimation>(CGRect{0, 0, 10, 10});
    EXPECT_DEATH(view->setAnimate(true), "This is an abstract function");
}
