#include "Helper/AppDelegate.h"

#include <filesystem>

#include "Helper/NTFSManager/NTFSManager.h"
#include "Platform/AppKit/NSImage.h"
#include "Platform/AppKit/NSMenu.h"
#include "Platform/AppKit/NSMenuItem.h"
#include "Platform/AppKit/NSRunningApplication.h"
#include "Platform/AppKit/NSStatusBar.h"
#include "Platform/AppKit/NSStatusItem.h"
#include "Platform/AppKit/NSWorkspace.h"
#include "Platform/Foundation/NSBundle.h"
#include "Shared/Console.h"

namespace {

constexpr const char* kNoVolume = "没有发现NTFS卷";
constexpr int kFixedItems = 2;

}  // namespace

AppDelegate::AppDelegate(NTFSManager& manager, std::weak_ptr<NSMenu> mainMenu, NSApplication& application)
    : m_manager(manager)
    , m_mainMenu(std::move(mainMenu))
    , m_application(application)
{
}

const std::shared_ptr<NSStatusItem>& AppDelegate::statusItem()
{
    if (!m_statusItem) {
        m_statusItem = NSStatusBar::system().statusItem(NSStatusBar::variableLength);
        auto icon = NSImage::named(statusIconName);
        if (icon)
            icon->setTemplate(true);
        else
            Console::shared().printLog("missing image resource statusIcon.png", "statusItem");
        m_statusItem->setImage(std::move(icon));
    }
    return m_statusItem;
}

void AppDelegate::applicationDidFinishLaunching(const Notification&)
{
    Console::shared().clear();
    statusItem()->setMenu(mainMenu());
    m_manager.setVolumesMayHaveChanged([weak = weak_from_this()] {
        if (auto self = weak.lock())
            self->volumesMayHaveChanged();
    });
    // The panel takes its first copy of the menu now: the full one.
    if (auto menu = mainMenu())
        menuNeedsUpdate(*menu);
    m_manager.start();
}

AppDelegate::Shown AppDelegate::shownOf(const std::vector<std::shared_ptr<VolumeModel>>& volumes)
{
    Shown shown;
    for (const auto& volume : volumes)
        shown.emplace_back(volume->name, volume->status() == VolumeModel::Status::mounted);
    return shown;
}

void AppDelegate::volumesMayHaveChanged()
{
    // An open menu was rebuilt as it opened; its next opening rebuilds it again.
    auto menu = mainMenu();
    if (menu && !menu->isOpen() && shownOf(m_manager.previousInsertedNTFSVolumes()) != m_shown)
        menuNeedsUpdate(*menu);
}

void AppDelegate::applicationWillTerminate(const Notification&)
{
    // A scan still mounting would add volumes after the list below is read.
    m_manager.stop();
    for (const auto& volume : m_manager.previousInsertedNTFSVolumes())
        volume->umount();
}

void AppDelegate::menuNeedsUpdate(NSMenu&)
{
    auto menu = mainMenu();
    if (!menu)
        return;
    // Everything above the two fixed items was made by the last rebuild.
    while (menu->numberOfItems() > kFixedItems)
        menu->removeItem(0);

    const auto volumes = m_manager.previousInsertedNTFSVolumes();
    m_shown = shownOf(volumes);
    if (volumes.empty()) {
        menu->insertItem(std::make_shared<NSMenuItem>(kNoVolume), 0);
        menu->insertItem(NSMenuItem::separatorItem(), 1);
        return;
    }
    // Each block goes in at the top: the latest volume shows first.
    auto self = shared_from_this();
    for (std::size_t index = 0; index < volumes.size(); ++index) {
        const auto& volume = volumes[index];
        const int tag = static_cast<int>(index);
        auto toggle = std::make_shared<NSMenuItem>("挂载 [" + volume->name + "]");
        toggle->setAction(self, &AppDelegate::didChangeSelect);
        toggle->setTag(tag);
        toggle->setOnStateImage(nullptr);
        if (volume->status() == VolumeModel::Status::umounted) {
            menu->insertItem(toggle, 0);
            menu->insertItem(NSMenuItem::separatorItem(), 1);
            continue;
        }
        toggle->setTitle("推出 [" + volume->name + "]");
        toggle->setState(NSControlStateValue::on);
        auto open = std::make_shared<NSMenuItem>("在Finder中打开 [" + volume->name + "]");
        open->setAction(self, &AppDelegate::openVolume);
        open->setTag(tag);
        menu->insertItem(open, 0);
        menu->insertItem(toggle, 0);
        menu->insertItem(NSMenuItem::separatorItem(), 2);
    }
}

std::shared_ptr<VolumeModel> AppDelegate::volumeAt(int tag, std::string_view function) const
{
    const auto volumes = m_manager.previousInsertedNTFSVolumes();
    if (tag < 0 || static_cast<std::size_t>(tag) >= volumes.size()) {
        Console::shared().printLog("ignored: the volume list changed, no volume at index " + std::to_string(tag),
                                   function);
        return nullptr;
    }
    return volumes[static_cast<std::size_t>(tag)];
}

void AppDelegate::logState(const NSMenuItem& item, std::string_view function)
{
    Console::shared().printLog(std::to_string(static_cast<int>(item.state())), function);
}

void AppDelegate::didChangeSelect(NSMenuItem& sender)
{
    constexpr const char* function = "didChangeSelect(sender:)";
    auto volume = volumeAt(sender.tag(), function);
    if (!volume)
        return;
    if (sender.state() == NSControlStateValue::on)
        volume->umount();
    else
        volume->mount();
    logState(sender, function);
    volumesMayHaveChanged();
}

void AppDelegate::openVolume(NSMenuItem& sender)
{
    constexpr const char* function = "openVolume(sender:)";
    auto volume = volumeAt(sender.tag(), function);
    if (!volume)
        return;
    volume->showInFinder();
    logState(sender, function);
}

void AppDelegate::openMainApp(NSMenuItem&)
{
    for (const auto& application : NSWorkspace::shared().runningApplications()) {
        if (application->bundleIdentifier() != settingsAppIdentifier)
            continue;
        // It runs, perhaps behind other windows or minimised: its window comes
        // to the front, as at a second start of it.
        application->activate([](const Expected<void>& asked) {
            Console::shared().printLog(asked ? std::string("asked the running settings app to show its window")
                                             : "cannot ask the running settings app to show its window: "
                                                   + asked.error().description,
                                       "openMainApp(_:)");
        });
        return;
    }
    const std::string path = settingsAppPath(NSBundle::main()->bundlePath());
    if (path.empty()) {
        // Started from a copy outside the settings app: there is nothing to open.
        Console::shared().printLog("not inside the settings app: " + NSBundle::main()->bundlePath(), "openMainApp(_:)");
        return;
    }
    if (auto launched = NSWorkspace::shared().launchApplication(path); !launched)
        Console::shared().printLog(launched.error().description, "openMainApp(_:)");
}

void AppDelegate::terminate(NSMenuItem&)
{
    m_application.terminate(nullptr);
}

std::string AppDelegate::settingsAppPath(const std::string& bundlePath)
{
    std::filesystem::path path(bundlePath);
    if (path.filename().empty())
        path = path.parent_path();
    // This bundle, "LoginItems", "Library" and "Contents".
    for (int level = 0; level < 4; ++level)
        path = path.parent_path();
    return path == path.root_path() ? std::string() : path.string();
}
