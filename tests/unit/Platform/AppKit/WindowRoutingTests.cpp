#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Platform/AppKit/NSButton.h"
#include "Platform/AppKit/NSEvent.h"
#include "Platform/AppKit/NSSecureTextFieldCell.h"
#include "Platform/AppKit/NSTextField.h"
#include "Platform/AppKit/NSTextView.h"
#include "Platform/AppKit/NSTrackingArea.h"
#include "Platform/AppKit/NSWindow.h"

namespace {

using Type = NSEvent::EventType;

// A view that writes down every mouse event it takes, and lets it go on.
class Recorder : public NSView {
public:
    Recorder(const CGRect& frame, std::string name, std::vector<std::string>& log)
        : NSView(frame), m_name(std::move(name)), m_log(log)
    {
    }

    void mouseDown(const NSEvent& event) override { note("down", event); }
    void mouseUp(const NSEvent& event) override
    {
        note("up", event);
        if (m_passesUp)
            NSView::mouseUp(event);
    }
    void mouseEntered(const NSEvent& event) override { note("entered", event); }
    void mouseExited(const NSEvent& event) override { note("exited", event); }
    void mouseMoved(const NSEvent& event) override { note("moved", event); }

    void track(unsigned options)
    {
        addTrackingArea(std::make_shared<NSTrackingArea>(CGRect{0, 0, 50, 50}, options, weak_from_this()));
    }
    bool m_passesUp = false;

private:
    void note(const char* what, const NSEvent& event)
    {
        std::string line = m_name + " " + what;
        if (event.clickCount() > 0)
            line += " " + std::to_string(event.clickCount());
        m_log.push_back(line);
    }

    std::string m_name;
    std::vector<std::string>& m_log;
};

struct Scene {
    std::shared_ptr<NSWindow> window = NSWindow::make({0, 0, 200, 100});
    std::vector<std::string> log;

    std::shared_ptr<Recorder> add(const CGRect& frame, const std::string& name, NSView* parent = nullptr)
    {
        auto view = NSView::make<Recorder>(frame, name, log);
        (parent ? *parent : *window->contentView()).addSubview(view);
        return view;
    }
    void move(CGFloat x, CGFloat y, double at = 0) { window->sendEvent(NSEvent::mouseEvent(Type::mouseMoved, {x, y}, at, 0)); }
    void click(CGFloat x, CGFloat y, double at)
    {
        window->sendEvent(NSEvent::mouseEvent(Type::leftMouseDown, {x, y}, at, 0));
        window->sendEvent(NSEvent::mouseEvent(Type::leftMouseUp, {x, y}, at + 0.01, 0));
    }
    std::vector<std::string> take() { return std::exchange(log, {}); }
};

}  // namespace

TEST(NSWindow, MovesBecomeEnteredAndExitedEventsForTheAreasTheyCross)
{
    Scene scene;
    auto keyOnly = scene.add({0, 0, 50, 50}, "key");
    keyOnly->track(NSTrackingArea::mouseEnteredAndExited | NSTrackingArea::activeInKeyWindow);
    auto always = scene.add({100, 0, 50, 50}, "always");
    always->track(NSTrackingArea::mouseEnteredAndExited | NSTrackingArea::activeAlways | NSTrackingArea::mouseMoved);
    // The visible-rectangle option follows what the superview leaves visible:
    // this view reaches 30 points past the right edge of its 20-point parent.
    auto parent = scene.add({160, 0, 20, 50}, "parent");
    auto clipped = scene.add({0, 0, 50, 50}, "clipped", parent.get());
    clipped->track(NSTrackingArea::mouseEnteredAndExited | NSTrackingArea::activeAlways | NSTrackingArea::inVisibleRect);

    scene.move(10, 10);
    scene.move(110, 10);
    scene.move(120, 20);
    EXPECT_EQ(scene.take(), (std::vector<std::string>{"always entered", "always moved", "always moved"}))
        << "not key yet: only the area active always hears";

    scene.window->makeKeyAndOrderFront();
    scene.move(10, 10);
    scene.move(20, 20);
    scene.move(110, 10);
    scene.move(190, 10);
    scene.move(170, 10);
    EXPECT_EQ(scene.take(), (std::vector<std::string>{"always exited", "key entered", "key exited", "always entered",
                                                      "always moved", "always exited", "clipped entered"}));

    // A view hidden while the mouse is in it hears nothing more.
    parent->setHidden(true);
    scene.move(171, 10);
    parent->setHidden(false);
    scene.move(172, 10);
    EXPECT_EQ(scene.take(), (std::vector<std::string>{"clipped entered"}));
}

TEST(NSWindow, PressesGoToTheViewUnderThemAndClickCountsFollowTheInterval)
{
    Scene scene;
    auto back = scene.add({0, 0, 100, 100}, "back");
    auto front = scene.add({10, 10, 40, 40}, "front", back.get());
    front->m_passesUp = true;

    scene.click(20, 20, 0);
    scene.click(21, 20, 0.3);
    scene.click(20, 21, 0.6);
    scene.click(20, 20, 1.5);
    scene.click(40, 40, 1.7);  // too far from the last press to count on
    EXPECT_EQ(scene.take(), (std::vector<std::string>{"front down 1", "front up 1", "back up 1", "front down 2",
                                                      "front up 2", "back up 2", "front down 3", "front up 3", "back up 3",
                                                      "front down 1", "front up 1", "back up 1", "front down 1",
                                                      "front up 1", "back up 1"}));

    // The release goes where the press went, wherever it happens; a hidden view
    // lets the press through to the one behind.
    scene.window->sendEvent(NSEvent::mouseEvent(Type::leftMouseDown, {20, 20}, 5, 0));
    scene.window->sendEvent(NSEvent::mouseEvent(Type::leftMouseUp, {90, 90}, 5.1, 0));
    front->setHidden(true);
    scene.click(20, 20, 10);
    EXPECT_EQ(scene.take(), (std::vector<std::string>{"front down 1", "front up 1", "back up 1", "back down 1", "back up 1"}));
}

TEST(NSButton, AClickTurnsASwitchThenSendsTheActionToALivingTarget)
{
    struct Target {
        std::vector<NSControlStateValue> states;
        void clicked(NSButton& sender) { states.push_back(sender.state()); }
    };
    auto target = std::make_shared<Target>();
    Scene scene;
    auto box = NSButton::withTitle("开机启动", nullptr, target, &Target::clicked);
    box->setButtonType(NSButtonType::switchButton);
    box->setFrame({10, 10, 100, 28});
    scene.window->contentView()->addSubview(box);
    auto push = NSButton::withTitle("保存", target, &Target::clicked);
    push->setFrame({10, 50, 100, 28});
    scene.window->contentView()->addSubview(push);

    scene.click(20, 20, 0);
    scene.click(20, 20, 1);
    scene.click(20, 60, 2);
    EXPECT_EQ(target->states, (std::vector{NSControlStateValue::on, NSControlStateValue::off, NSControlStateValue::off}));

    // Released outside: no click. Disabled: no click either.
    scene.window->sendEvent(NSEvent::mouseEvent(Type::leftMouseDown, {20, 20}, 3, 0));
    scene.window->sendEvent(NSEvent::mouseEvent(Type::leftMouseUp, {150, 20}, 3.1, 0));
    box->setEnabled(false);
    scene.click(20, 20, 4);
    EXPECT_EQ(target->states.size(), 3u);
    EXPECT_EQ(box->state(), NSControlStateValue::off);

    target.reset();
    EXPECT_FALSE(push->sendAction()) << "the target is gone";
}

TEST(NSTextField, AClickEditsThroughTheFieldEditorOverTheCellUntilAnotherFieldTakesOver)
{
    Scene scene;
    auto field = NSView::make<NSTextField>(CGRect{10, 10, 100, 30});
    field->setStringValue("ab");
    auto secret = NSView::make<NSTextField>(CGRect{10, 50, 100, 30});
    secret->setCell(std::make_shared<NSSecureTextFieldCell>());
    secret->setEditable(true);
    scene.window->contentView()->addSubview(field);
    scene.window->contentView()->addSubview(secret);

    scene.click(20, 20, 0);
    auto editor = field->currentEditor();
    ASSERT_TRUE(editor);
    EXPECT_EQ(scene.window->firstResponder(), field);
    EXPECT_EQ(editor->superview(), field);
    EXPECT_EQ(editor->frame(), field->bounds());
    EXPECT_EQ(editor->selectedRange(), (NSRange{0, 2})) << "the whole text is selected";
    editor->insertText("密码");
    editor->insertText("😀");
    EXPECT_EQ(field->stringValue(), "密码😀");
    EXPECT_EQ(editor->selectedRange(), (NSRange{4, 0})) << "the emoji counts two UTF-16 units";

    scene.click(20, 60, 1);
    EXPECT_FALSE(field->currentEditor());
    EXPECT_FALSE(editor->superview() == field);
    EXPECT_EQ(secret->currentEditor(), editor) << "one field editor per window";
    EXPECT_TRUE(editor->usesMaskedText());
    editor->insertText("pwd");
    EXPECT_EQ(secret->stringValue(), "pwd");

    field->setEditable(false);
    scene.click(20, 20, 2);
    EXPECT_EQ(scene.window->firstResponder(), secret) << "a field that is not editable does not take over";
}
