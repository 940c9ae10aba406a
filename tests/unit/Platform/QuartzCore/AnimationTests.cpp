#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "Platform/Foundation/RunLoop.h"
#include "Platform/QuartzCore/CAAnimationDelegate.h"
#include "Platform/QuartzCore/CAAnimationGroup.h"
#include "Platform/QuartzCore/CABasicAnimation.h"
#include "Platform/QuartzCore/CAShapeLayer.h"
#include "Platform/QuartzCore/MediaClock.h"

namespace {

class DrivenClock : public ::testing::Test {
protected:
    void SetUp() override { MediaClock::drive(100); }
    void TearDown() override
    {
        RunLoop::main().runUntilIdle();
        MediaClock::release();
    }
};

std::shared_ptr<CABasicAnimation> basic(const char* keyPath, double from, double to, double duration)
{
    auto animation = std::make_shared<CABasicAnimation>(keyPath);
    animation->setFromValue(from);
    animation->setToValue(to);
    animation->setDuration(duration);
    return animation;
}

struct Stops : CAAnimationDelegate {
    std::vector<bool> finished;
    void animationDidStop(CAAnimation&, bool done) override { finished.push_back(done); }
};

}  // namespace

TEST(CAMediaTimingFunction, EaseInEaseOutIsTheSymmetricCurveOfThePlatform)
{
    CAMediaTimingFunction ease(CAMediaTimingFunction::Name::easeInEaseOut);
    EXPECT_DOUBLE_EQ(ease.evaluate(0), 0);
    EXPECT_NEAR(ease.evaluate(0.5), 0.5, 1e-9);
    EXPECT_NEAR(ease.evaluate(0.25), 0.129162, 1e-5);
    EXPECT_NEAR(ease.evaluate(0.75), 1 - 0.129162, 1e-5);
    EXPECT_DOUBLE_EQ(ease.evaluate(1), 1);
    EXPECT_NEAR(CAMediaTimingFunction(CAMediaTimingFunction::Name::linear).evaluate(0.3), 0.3, 1e-9);
}

// The spinner's timing: a group of 1.5 s holding a head and a tail animation at
// speed 2, the tail starting 0.75 s into the group, and an endless cumulative
// rotation of one radian every 0.75 s.
TEST_F(DrivenClock, PresentationValuesFollowBeginTimesSpeedsRepeatsAndGroups)
{
    auto layer = CAShapeLayer::layer();
    layer->setStrokeEnd(0.8);
    auto head = basic("strokeEnd", 0, 0.8, 1.5);
    head->setSpeed(2);
    auto tail = basic("strokeStart", 0, 0.8, 1.5);
    tail->setSpeed(2);
    tail->setBeginTime(0.75);
    auto group = std::make_shared<CAAnimationGroup>();
    group->setAnimations({head, tail});
    group->setDuration(1.5);
    layer->add(group, "strokeEnd");
    auto spin = basic("transform.rotation", 0, 1, 0.75);
    spin->setRepeatCount(CAAnimation::infinity);
    spin->setCumulative(true);
    layer->add(spin, "transform.rotation");

    struct Expected {
        double at, strokeEnd, strokeStart, rotation;
    };
    for (auto [at, end, start, rotation] : {
             Expected{0, 0, 0, 0},
             Expected{0.375, 0.4, 0, 0.5},
             Expected{0.75, 0.8, 0, 1},  // the head is done: back to the model value 0.8
             Expected{1.125, 0.8, 0.4, 1.5},
             Expected{1.5, 0.8, 0, 2},  // the group is over: both at the model values
             Expected{7.5, 0.8, 0, 10},
         }) {
        SCOPED_TRACE(at);
        EXPECT_NEAR(layer->presentationValue("strokeEnd", 100 + at), end, 1e-9);
        EXPECT_NEAR(layer->presentationValue("strokeStart", 100 + at), start, 1e-9);
        EXPECT_NEAR(layer->presentationValue("transform.rotation", 100 + at), rotation, 1e-9);
    }
    // The model values never move.
    EXPECT_EQ(layer->strokeEnd(), 0.8);
    EXPECT_EQ(layer->affineTransform(), CGAffineTransform::identity());

    // Ease in and out: slow start, fast middle.
    head->setTimingFunction(CAMediaTimingFunction(CAMediaTimingFunction::Name::easeInEaseOut));
    layer->add(head, "eased");
    EXPECT_NEAR(layer->presentationValue("strokeEnd", 100 + 0.1875), 0.8 * 0.129162, 1e-5);
}

TEST_F(DrivenClock, AnEndedAnimationLeavesItsLayerAndItsDelegateHearsOnTheMainRunLoop)
{
    auto stops = std::make_shared<Stops>();
    auto layer = CALayer::layer();
    auto fade = basic("opacity", 0, 1, 1);
    fade->setDelegate(stops);
    layer->add(fade, "fade");
    layer->add(basic("borderWidth", 0, 4, 2), "grow");
    auto endless = basic("cornerRadius", 0, 4, 1);
    endless->setRepeatCount(CAAnimation::infinity);
    layer->add(endless, "round");

    MediaClock::advance(0.999);
    RunLoop::main().runUntilIdle();
    EXPECT_TRUE(stops->finished.empty());
    MediaClock::advance(0.002);
    EXPECT_EQ(layer->animationKeys(), (std::vector<std::string>{"grow", "round"}));
    EXPECT_TRUE(stops->finished.empty()) << "the delegate hears on the run loop, not inside advance()";
    RunLoop::main().runUntilIdle();
    EXPECT_EQ(stops->finished, std::vector<bool>{true});

    // Removed early, replaced under its key, or all at once: finished is false.
    layer->add(fade, "fade");
    layer->add(fade, "fade");
    layer->removeAllAnimations();
    RunLoop::main().runUntilIdle();
    EXPECT_EQ(stops->finished, (std::vector<bool>{true, false, false}));
    EXPECT_TRUE(layer->animationKeys().empty());
    MediaClock::advance(100);
    RunLoop::main().runUntilIdle();
    EXPECT_EQ(stops->finished.size(), 3u);
}

TEST(CALayer, FrameFollowsPositionAnchorAndTransform)
{
    auto layer = CALayer::layer();
    layer->setFrame({10, 20, 100, 50});
    EXPECT_EQ(layer->position(), (CGPoint{60, 45}));
    EXPECT_EQ(layer->bounds(), (CGRect{0, 0, 100, 50}));
    layer->setAffineTransform(CGAffineTransform::rotation(M_PI / 2));
    CGRect turned = layer->frame();
    EXPECT_NEAR(turned.minX(), 35, 1e-9);
    EXPECT_NEAR(turned.minY(), -5, 1e-9);
    EXPECT_NEAR(turned.width(), 50, 1e-9);
    EXPECT_NEAR(turned.height(), 100, 1e-9);

    auto child = CALayer::layer();
    layer->addSublayer(child);
    auto other = CALayer::layer();
    other->addSublayer(child);
    EXPECT_TRUE(layer->sublayers().empty()) << "a layer has one superlayer";
    EXPECT_EQ(child->superlayer(), other);
}
