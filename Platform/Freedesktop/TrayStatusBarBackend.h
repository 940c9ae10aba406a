#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Platform/AppKit/StatusBarBackend.h"
#include "Platform/Foundation/Expected.h"
#include "Platform/Freedesktop/TrayPresenter.h"

typedef struct _GDBusConnection GDBusConnection;

class NSMenuItem;
class StatusNotifierItem;
class XTrayWatcher;

// The status bar on a Linux desktop. The status item goes to the panel's
// StatusNotifierItem watcher where one runs on the session bus, else to an X
// system tray (XEmbed) where a tray manager runs. A panel that starts after
// the app (at login, say) is noticed and used without a restart; one that
// quits gives the item to the other kind, if there is one. A
// StatusNotifierItem panel that asks the item to show its menu itself gets
// the X tray's popup, loaded only then.
class TrayStatusBarBackend final : public StatusBarBackend, private TrayPresenterClient {
public:
    using Report = std::function<void(const std::string& line)>;

    // `presenterModule`: the loadable X tray presenter. `report` hears, once
    // each, where the item went or that there is nowhere to put it yet.
    TrayStatusBarBackend(std::string presenterModule, Report report);
    ~TrayStatusBarBackend() override;

    void statusItemAdded(NSStatusItem& item) override;
    void statusItemChanged(NSStatusItem& item) override;
    void statusItemRemoved(NSStatusItem& item) override;
    void menuOpened(NSMenu& menu) override;
    void menuChanged(NSMenu& menu) override;
    void menuClosed(NSMenu& menu) override;

private:
    // `undecided` until the session bus has said whether a watcher runs.
    enum class Host { undecided, none, statusNotifier, xembed };

    void start();
    void watchXTray();
    void choose();
    void attach(Host host);
    Expected<void> loadPresenter();
    NSStatusItem* shownItem() const { return m_items.empty() ? nullptr : m_items.front(); }
    void showIcon();
    void showRows(NSMenu& menu);
    void menuRequested();
    void tell(const std::string& line);

    void trayIconClicked() override;
    void trayIconEmbedded(bool embedded) override;
    void trayMenuRowChosen(int row) override;
    void trayMenuDismissed() override;

    std::string m_presenterModule;
    Report m_report;
    // Not owned: an item leaves this list from its destructor.
    std::vector<NSStatusItem*> m_items;
    GDBusConnection* m_bus = nullptr;
    unsigned m_watcherWatch = 0;
    bool m_watcherKnown = false;
    bool m_watcherPresent = false;
    std::unique_ptr<XTrayWatcher> m_xtray;
    bool m_xtrayTried = false;
    std::unique_ptr<StatusNotifierItem> m_statusNotifier;
    void* m_module = nullptr;
    std::unique_ptr<TrayPresenter> m_presenter;
    bool m_presenterFailed = false;
    Host m_host = Host::undecided;
    bool m_popupShown = false;
    // A StatusNotifierItem panel asked for the popup: while it opens, and
    // while it is up.
    bool m_requested = false;
    bool m_popupAtPointer = false;
    bool m_toldNowhere = false;
    // The items behind the rows of the X tray's open menu.
    std::vector<std::weak_ptr<NSMenuItem>> m_rows;
};
