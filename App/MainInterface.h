#pragma once

#include <memory>

#include "App/ViewController.h"
#include "Platform/QuartzCore/CGGeometry.h"

class AppDelegate;
class NSApplication;
class NSWindow;
class SPUStandardUpdaterController;
class SPUUserDriver;

// What the app's main interface file holds, built in code: the application
// delegate, the updater controller and the window with ViewController as its
// content, connected to one another. It lives as long as the app.
class MainInterface {
public:
    static constexpr const char* windowTitle = "Parvex";
    // Room for the 420-point description 30 points in, and for the rows above
    // the save button with 20 points to spare.
    static constexpr CGSize windowSize{480, 280};

    MainInterface(HelperApp& helperApp, ViewController::Collaborators collaborators,
                  std::shared_ptr<SPUUserDriver> userDriver = nullptr);

    // Makes the delegate the application's and shows the window as key.
    void load(NSApplication& application);

    const std::shared_ptr<AppDelegate>& appDelegate() const { return m_appDelegate; }
    const std::shared_ptr<SPUStandardUpdaterController>& updaterController() const { return m_updaterController; }
    const std::shared_ptr<NSWindow>& window() const { return m_window; }
    const std::shared_ptr<ViewController>& viewController() const { return m_viewController; }

private:
    std::shared_ptr<AppDelegate> m_appDelegate;
    std::shared_ptr<SPUStandardUpdaterController> m_updaterController;
    std::shared_ptr<ViewController> m_viewController;
    std::shared_ptr<NSWindow> m_window;
};
