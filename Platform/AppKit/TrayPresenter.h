#pragma once

#include <string>
#include <vector>

// The boundary to the X system tray, whose presenter is loaded only on
// desktops that need it (it brings in a toolkit): plain data across it, and
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

class TrayPresenter {
public:
    virtual ~TrayPresenter() = default;
    // The icon by name from a folder of icons; `fallbackPng` where the name is
    // not found.
    virtual void setIcon(const std::string& folder, const std::string& name, const std::string& fallbackPng) = 0;
    virtual void setVisible(bool visible) = 0;
    // Pops the menu up at the icon, or refreshes it when it is up already.
    virtual void showMenu(const std::vector<TrayMenuRow>& rows) = 0;
    virtual void closeMenu() = 0;
};

// The loaded module's one entry: null when it cannot reach a display.
using TrayPresenterFactory = TrayPresenter* (*)(TrayPresenterClient& client);
inline constexpr const char* trayPresenterFactoryName = "parvexXEmbedTrayPresenter";
