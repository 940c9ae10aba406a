#pragma once

#include <functional>
#include <memory>
#include <string>

#include "Platform/AppKit/NSControlStateValue.h"

class NSImage;
class NSMenu;

// One entry of a menu. Its menu owns it; the item points back weakly.
// Create items with std::make_shared.
class NSMenuItem : public std::enable_shared_from_this<NSMenuItem> {
public:
    // What choosing the item does; the item itself is the sender.
    using Action = std::function<void(NSMenuItem& sender)>;

    // The panels that show status menus give their items no shortcuts: the
    // key equivalent is taken as the platform takes it and not kept.
    explicit NSMenuItem(std::string title = {}, Action action = nullptr, std::string keyEquivalent = {});
    static std::shared_ptr<NSMenuItem> separatorItem();

    const std::string& title() const { return m_title; }
    void setTitle(std::string title);

    void setAction(Action action);
    // The action as a method of `target`, which the item does not keep alive:
    // once the target is gone, the item does nothing.
    template<class T>
    void setAction(const std::shared_ptr<T>& target, void (T::*method)(NSMenuItem&))
    {
        std::weak_ptr<T> weak = target;
        setTarget(target);
        setAction([weak, method](NSMenuItem& sender) {
            if (auto object = weak.lock())
                ((*object).*method)(sender);
        });
    }

    int tag() const { return m_tag; }
    void setTag(int tag) { m_tag = tag; }

    NSControlStateValue state() const { return m_state; }
    void setState(NSControlStateValue state);

    // Drawn beside the title in the on state; null: the on state shows no mark.
    const std::shared_ptr<NSImage>& onStateImage() const { return m_onStateImage; }
    void setOnStateImage(std::shared_ptr<NSImage> image);

    // Menus enable their items automatically: an item is enabled when it has
    // an action whose target, if it had one, is still there.
    bool isEnabled() const;

    bool isSeparatorItem() const { return m_separator; }
    std::shared_ptr<NSMenu> menu() const { return m_menu.lock(); }

    // Runs the action if the item is enabled; false when nothing ran.
    bool performAction();

private:
    friend class NSMenu;
    void setMenu(std::weak_ptr<NSMenu> menu) { m_menu = std::move(menu); }
    // A target that has gone disables the item.
    void setTarget(const std::shared_ptr<void>& target);
    bool hasLiveTarget() const;
    void changed();

    std::string m_title;
    Action m_action;
    std::weak_ptr<void> m_target;
    bool m_hasTarget = false;
    int m_tag = 0;
    NSControlStateValue m_state = NSControlStateValue::off;
    std::shared_ptr<NSImage> m_onStateImage;
    bool m_separator = false;
    std::weak_ptr<NSMenu> m_menu;
};
