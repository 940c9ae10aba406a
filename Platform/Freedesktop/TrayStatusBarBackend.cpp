#include "Platform/Freedesktop/TrayStatusBarBackend.h"

#include <dlfcn.h>
#include <gio/gio.h>

#include <algorithm>
#include <filesystem>

#include "Platform/AppKit/NSImage.h"
#include "Platform/AppKit/NSMenu.h"
#include "Platform/AppKit/NSStatusItem.h"
#include "Platform/Foundation/SessionBus.h"
#include "Platform/Freedesktop/StatusNotifierItem.h"
#include "Platform/Freedesktop/XTrayWatcher.h"

namespace {
constexpr const char* kWatcher = "org.kde.StatusNotifierWatcher";
}  // namespace

TrayStatusBarBackend::TrayStatusBarBackend(std::string presenterModule, Report report)
    : m_presenterModule(std::move(presenterModule))
    , m_report(std::move(report))
{
}

TrayStatusBarBackend::~TrayStatusBarBackend()
{
    m_statusNotifier.reset();
    // The module stays loaded: GTK cannot be unloaded once it ran.
    m_presenter.reset();
    m_xtray.reset();
    if (m_watcherWatch)
        g_bus_unwatch_name(m_watcherWatch);
    if (m_bus)
        g_object_unref(m_bus);
}

void TrayStatusBarBackend::tell(const std::string& line)
{
    if (m_report)
        m_report(line);
}

void TrayStatusBarBackend::statusItemAdded(NSStatusItem& item)
{
    m_items.push_back(&item);
    if (m_items.size() == 1)
        start();
}

void TrayStatusBarBackend::statusItemChanged(NSStatusItem& item)
{
    if (&item != shownItem())
        return;
    if (m_statusNotifier)
        m_statusNotifier->setMenu(item.menu());
    showIcon();
}

void TrayStatusBarBackend::statusItemRemoved(NSStatusItem& item)
{
    const bool shown = &item == shownItem();
    m_items.erase(std::remove(m_items.begin(), m_items.end(), &item), m_items.end());
    if (shown) {
        attach(Host::undecided);
        choose();
    }
}

void TrayStatusBarBackend::start()
{
    // Once: an item that comes after the last one went finds the watch there.
    if (m_bus || m_watcherKnown) {
        choose();
        return;
    }
    auto bus = SessionBus::connection();
    if (!bus) {
        tell(bus.error().description + "; only an X system tray can show the status item");
        m_watcherKnown = true;
        watchXTray();
        choose();
        return;
    }
    m_bus = *bus;
    // Told at once whether a watcher runs, and again whenever one starts or quits.
    m_watcherWatch = g_bus_watch_name_on_connection(m_bus, kWatcher, G_BUS_NAME_WATCHER_FLAGS_NONE,
        [](GDBusConnection*, const char*, const char*, gpointer self) {
            auto* backend = static_cast<TrayStatusBarBackend*>(self);
            backend->m_watcherKnown = backend->m_watcherPresent = true;
            backend->choose();
        },
        [](GDBusConnection*, const char*, gpointer self) {
            auto* backend = static_cast<TrayStatusBarBackend*>(self);
            backend->m_watcherKnown = true;
            backend->m_watcherPresent = false;
            backend->watchXTray();
            backend->choose();
        },
        this, nullptr);
}

void TrayStatusBarBackend::watchXTray()
{
    // Only once a desktop is seen without a watcher: X costs nothing before.
    if (m_xtrayTried)
        return;
    m_xtrayTried = true;
    auto watcher = XTrayWatcher::connect([this](bool) { choose(); });
    if (watcher)
        m_xtray = std::move(*watcher);
    else
        tell("no X system tray to look for: " + watcher.error().description);
}

void TrayStatusBarBackend::choose()
{
    if (!m_watcherKnown || !shownItem())
        return;
    Host wanted = Host::none;
    if (m_watcherPresent)
        wanted = Host::statusNotifier;
    else if (m_xtray && m_xtray->isPresent() && !m_presenterFailed)
        wanted = Host::xembed;
    if (wanted != m_host)
        attach(wanted);
}

void TrayStatusBarBackend::attach(Host host)
{
    if (auto* item = shownItem(); item && item->menu())
        item->menu()->close();
    m_statusNotifier.reset();
    if (m_presenter)
        m_presenter->setVisible(false);
    m_host = host;
    switch (host) {
    case Host::statusNotifier:
        m_statusNotifier = std::make_unique<StatusNotifierItem>(
            m_bus,
            [this](const Expected<void>& registered) {
                tell(registered ? "status item registered with the panel's StatusNotifierWatcher"
                                : registered.error().description);
            },
            [this] { menuRequested(); });
        m_statusNotifier->setMenu(shownItem()->menu());
        showIcon();
        break;
    case Host::xembed:
        if (auto loaded = loadPresenter(); !loaded) {
            m_presenterFailed = true;
            tell(loaded.error().description);
            m_host = Host::none;
            choose();
            return;
        }
        showIcon();
        m_presenter->setVisible(true);
        break;
    case Host::undecided:
        break;
    case Host::none:
        if (!m_toldNowhere && shownItem()) {
            m_toldNowhere = true;
            tell("no panel to show the status item yet (no StatusNotifierWatcher on the session bus, no X system "
                 "tray); it appears as soon as one starts");
        }
        break;
    }
}

Expected<void> TrayStatusBarBackend::loadPresenter()
{
    if (m_presenter)
        return {};
    if (!m_module)
        m_module = ::dlopen(m_presenterModule.c_str(), RTLD_NOW | RTLD_LOCAL);
    auto factory = m_module ? reinterpret_cast<TrayPresenterFactory>(::dlsym(m_module, trayPresenterFactoryName))
                            : nullptr;
    if (factory)
        m_presenter.reset(factory(*this));
    if (!m_presenter) {
        const char* why = ::dlerror();
        return Error::message("cannot show the status item in the X system tray: "
                              + (why ? std::string(why) : m_presenterModule));
    }
    return {};
}

void TrayStatusBarBackend::showIcon()
{
    auto* item = shownItem();
    auto image = item ? item->image() : nullptr;
    if (m_statusNotifier)
        m_statusNotifier->setImage(image);
    if (m_presenter && m_host == Host::xembed && image) {
        const auto& representations = image->representations();
        const std::string png = representations.empty() ? std::string() : representations.front().path;
        m_presenter->setIcon({std::filesystem::path(png).parent_path(), image->name(),
                              std::filesystem::path(image->symbolicPath()).stem(), png});
    }
}

void TrayStatusBarBackend::menuRequested()
{
    auto* item = shownItem();
    auto menu = item ? item->menu() : nullptr;
    if (!menu)
        return;
    // A second click on the item closes the menu, as it would in the panel.
    if (menu->isOpen()) {
        if (m_popupShown)
            menu->close();
        return;
    }
    if (m_presenterFailed)
        return;
    if (auto loaded = loadPresenter(); !loaded) {
        m_presenterFailed = true;
        tell(loaded.error().description);
        return;
    }
    m_requested = true;
    item->click();
    m_requested = false;
}

void TrayStatusBarBackend::showRows(NSMenu& menu)
{
    std::vector<TrayMenuRow> rows;
    m_rows.clear();
    for (const auto& item : menu.items()) {
        m_rows.push_back(item);
        rows.push_back({item->title(), item->isSeparatorItem(), item->isEnabled(),
                        item->state() == NSControlStateValue::on && item->onStateImage() != nullptr});
    }
    if (m_popupAtPointer)
        m_presenter->showMenuAtPointer(rows);
    else
        m_presenter->showMenu(rows);
}

void TrayStatusBarBackend::menuOpened(NSMenu& menu)
{
    if (!m_presenter)
        return;
    // The panel's own menu (dbusmenu) opens the model too; the popup only
    // comes where the panel asked for it, or in the X tray.
    if (m_host == Host::xembed || m_requested) {
        m_popupAtPointer = m_host != Host::xembed;
        m_popupShown = true;
        showRows(menu);
    }
}

void TrayStatusBarBackend::menuChanged(NSMenu& menu)
{
    if (m_statusNotifier)
        m_statusNotifier->menu().menuChanged();
    // A rebuild before the popup is up needs no refresh.
    if (m_presenter && m_popupShown && menu.isOpen())
        showRows(menu);
}

void TrayStatusBarBackend::menuClosed(NSMenu&)
{
    if (m_statusNotifier)
        m_statusNotifier->menu().menuClosed();
    m_popupShown = false;
    m_popupAtPointer = false;
    if (m_presenter)
        m_presenter->closeMenu();
}

void TrayStatusBarBackend::trayIconClicked()
{
    if (auto* item = shownItem())
        item->click();
}

void TrayStatusBarBackend::trayIconEmbedded(bool embedded)
{
    tell(embedded ? "status item embedded in the X system tray" : "the X system tray let go of the status item");
}

void TrayStatusBarBackend::trayMenuRowChosen(int row)
{
    if (row < 0 || static_cast<std::size_t>(row) >= m_rows.size())
        return;
    auto item = m_rows[static_cast<std::size_t>(row)].lock();
    auto menu = item ? item->menu() : nullptr;
    if (menu)
        menu->choose(item);
}

void TrayStatusBarBackend::trayMenuDismissed()
{
    if (auto* item = shownItem(); item && item->menu())
        item->menu()->close();
}
