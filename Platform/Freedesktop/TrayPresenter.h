#pragma once

#include <string>
#include <vector>

// The boundary to the X system tray, whose presenter is loaded only on
// desktops that need it (it brings in a toolkit; a panel that shows our item
// but leaves its menu to us needs it too): plain data across it, and
// virtual calls both ways, so the loaded code needs nothing else from the
// program.
struct TrayMenuRow {
    std::string title;
    bool separator = false;
    bool enabled = true;
    bool checked = false;
};

// How the presenter reports the user, on the main thread.
class TrayPresenterClient {
public:
    virtual ~TrayPresenterClient() = default;
    virtual void trayIconClicked() = 0;
    virtual void trayIconEmbedded(bool embedded) = 0;
    virtual void trayMenuRowChosen(int row) = 0;
    virtual void trayMenuDismissed() = 0;
};

// The status item's icon, by name from a folder of icons.
struct TrayIcon {
    std::string folder;
    // Drawn as it is: it reads on light and dark trays alike.
    std::string name;
    // Drawn in the tray's own colours, where the tray gives them.
    std::string symbolicName;
    // Where neither name is found.
    std::string fallbackPng;
};

class TrayPresenter {
public:
    virtual ~TrayPresenter() = default;
    // The icon goes into the tray once it is set and visible.
    virtual void setIcon(const TrayIcon& icon) = 0;
    virtual void setVisible(bool visible) = 0;
    // Pops the menu up at the icon, or refreshes it when it is up already.
    virtual void showMenu(const std::vector<TrayMenuRow>& rows) = 0;
    // The same at the pointer, for a status item that another panel shows:
    // the panel asked for the menu on a click.
    virtual void showMenuAtPointer(const std::vector<TrayMenuRow>& rows) = 0;
    virtual void closeMenu() = 0;
};

// The loaded module's one entry: null when it cannot reach a display.
using TrayPresenterFactory = TrayPresenter* (*)(TrayPresenterClient& client);
inline constexpr const char* trayPresenterFactoryName = "parvexXEmbedTrayPresenter";
