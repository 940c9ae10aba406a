#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Platform/AppKit/NSApplication.h"
#include "Platform/AppKit/NSApplicationDelegate.h"
#include "Platform/AppKit/NSMenuDelegate.h"

class NSMenu;
class NSMenuItem;
class NSStatusItem;
class NTFSManager;
class VolumeModel;

// ParvexMenu's application and menu delegate: starts the volume manager, shows
// the volumes in the status item's menu each time it opens, forwards the
// choices to the volumes, opens the settings app and unmounts everything on
// quitting. Create it with std::make_shared: the menu items it makes point
// back to it.
class AppDelegate : public NSApplicationDelegate,
                    public NSMenuDelegate,
                    public std::enable_shared_from_this<AppDelegate> {
public:
    static constexpr const char* settingsAppIdentifier = "top.kestrova.macOS.Parvex";
    static constexpr const char* statusIconName = "statusIcon";

    // `mainMenu` holds the two fixed items; whoever built it keeps it until the
    // status item does.
    AppDelegate(NTFSManager& manager, std::weak_ptr<NSMenu> mainMenu,
                NSApplication& application = NSApplication::shared());

    void applicationDidFinishLaunching(const Notification&) override;
    void applicationWillTerminate(const Notification&) override;
    void menuNeedsUpdate(NSMenu&) override;

    // The volumes may have changed (a scan, an agent's answer, a choice in the
    // menu): a closed menu is rebuilt at once when they did, so the panel's
    // copy of it, by which it sizes the menu before asking for the new one, is
    // never behind. The rebuild each time the menu opens stays.
    void volumesMayHaveChanged();

    // The menu actions; each item is its own sender.
    void didChangeSelect(NSMenuItem& sender);
    void openVolume(NSMenuItem& sender);
    void openMainApp(NSMenuItem& sender);
    void terminate(NSMenuItem& sender);

    std::shared_ptr<NSMenu> mainMenu() const { return m_mainMenu.lock(); }
    // Made on first use, then kept.
    const std::shared_ptr<NSStatusItem>& statusItem();

    // The settings app's bundle for this app's bundle at `bundlePath`: this app
    // lives in <settings app>/Contents/Library/LoginItems. Empty when the
    // bundle is not that deep.
    static std::string settingsAppPath(const std::string& bundlePath);

private:
    // The volume a menu item's tag names, or null (logged) when the list has
    // changed under the menu and the index is gone.
    std::shared_ptr<VolumeModel> volumeAt(int tag, std::string_view function) const;
    static void logState(const NSMenuItem& item, std::string_view function);

    // What the last rebuild showed of each volume.
    using Shown = std::vector<std::pair<std::string, bool>>;
    static Shown shownOf(const std::vector<std::shared_ptr<VolumeModel>>& volumes);

    NTFSManager& m_manager;
    std::weak_ptr<NSMenu> m_mainMenu;
    NSApplication& m_application;
    std::shared_ptr<NSStatusItem> m_statusItem;
    Shown m_shown;
};
