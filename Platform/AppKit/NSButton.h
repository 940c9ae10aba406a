#pragma once

#include <memory>
#include <optional>
#include <string>

#include "Platform/AppKit/NSAttributedString.h"
#include "Platform/AppKit/NSControl.h"
#include "Platform/AppKit/NSControlStateValue.h"

class NSImage;

// The platform's raw values.
enum class NSButtonType : int {
    momentaryLight = 0,
    pushOnPushOff = 1,
    toggle = 2,
    // A check box: each click turns it on or off.
    switchButton = 3,
    radio = 4,
    momentaryChange = 5,
    onOff = 6,
    momentaryPushIn = 7,
};

// A push button, check box or text button: a title (plain or attributed), an
// image and the one shown in the on state, and a state that the toggling
// types change on each click before the action is sent.
class NSButton : public NSControl {
public:
    explicit NSButton(const CGRect& frame);
    explicit NSButton(const NSCoder& coder);

    // The platform's convenience constructors: a push button with a title and
    // an image beside it, or a title only, sized to fit, optionally with a
    // target and an action.
    template<class Button = NSButton>
    static std::shared_ptr<Button> withTitle(const std::string& title, std::shared_ptr<NSImage> image = nullptr)
    {
        auto button = NSView::make<Button>(CGRect{});
        button->setUp(title, std::move(image));
        return button;
    }
    template<class Button = NSButton, class T, class Sender>
    static std::shared_ptr<Button> withTitle(const std::string& title, std::shared_ptr<NSImage> image,
                                             const std::shared_ptr<T>& target, void (T::*action)(Sender&))
    {
        auto button = withTitle<Button>(title, std::move(image));
        button->setAction(target, action);
        return button;
    }
    template<class Button = NSButton, class T, class Sender>
    static std::shared_ptr<Button> withTitle(const std::string& title, const std::shared_ptr<T>& target,
                                             void (T::*action)(Sender&))
    {
        return withTitle<Button>(title, nullptr, target, action);
    }

    virtual std::string title() const { return m_title; }
    virtual void setTitle(const std::string& title);
    // The title with its attributes: unless one was set, the title in the
    // button's font and alignment.
    NSAttributedString attributedTitle() const;
    void setAttributedTitle(const NSAttributedString& title);

    const std::shared_ptr<NSImage>& image() const { return m_image; }
    void setImage(std::shared_ptr<NSImage> image);
    void setAlternateImage(std::shared_ptr<NSImage> image);
    NSControlStateValue state() const { return m_state; }
    void setState(NSControlStateValue state);
    void setButtonType(NSButtonType type) { m_buttonType = type; }
    bool isBordered() const { return m_bordered; }
    void setBordered(bool bordered);

    // A click without the mouse: the state turns as for a click, then the action.
    void performClick();
    // The key that clicks it wherever the keyboard focus is in its window;
    // "\r" (return) makes it the window's default button.
    const std::string& keyEquivalent() const { return m_keyEquivalent; }
    void setKeyEquivalent(std::string key) { m_keyEquivalent = std::move(key); }

    // Buttons are key views, as on the desktops here (the platform's full
    // keyboard access): tab reaches them and space or return clicks the one
    // that has the focus. A click of the mouse leaves the focus where it is.
    bool canBecomeKeyView() const override;
    void keyDown(const NSEvent& event) override;
    NSAccessibilityRole accessibilityRole() const override;
    std::string accessibilityLabel() const override { return title(); }
    bool accessibilityPerformPress() override;
    bool isAccessibilityChecked() const override { return state() == NSControlStateValue::on; }

    void mouseDown(const NSEvent& event) override;
    void mouseDragged(const NSEvent& event) override;
    void mouseUp(const NSEvent& event) override;
    CGSize intrinsicContentSize() const override;
    void draw(const CGRect& dirtyRect) override;

    // The image drawn now: the alternate one in the on state, when there is one.
    const std::shared_ptr<NSImage>& shownImage() const;

protected:
    // What the convenience constructors do after making the button.
    void setUp(const std::string& title, std::shared_ptr<NSImage> image);

private:
    void toggleState();
    bool contains(const NSEvent& event) const;

    std::string m_title;
    std::optional<NSAttributedString> m_attributedTitle;
    std::shared_ptr<NSImage> m_image;
    std::shared_ptr<NSImage> m_alternateImage;
    NSControlStateValue m_state = NSControlStateValue::off;
    NSButtonType m_buttonType = NSButtonType::momentaryPushIn;
    bool m_bordered = true;
    // Pressed and the mouse still over it.
    bool m_highlighted = false;
    std::string m_keyEquivalent;
};
