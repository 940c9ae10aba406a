#include "App/MainInterface.h"

#include "App/AppDelegate.h"
#include "Platform/AppKit/NSApplication.h"
#include "Platform/AppKit/NSWindow.h"
#include "Platform/Sparkle/SPUStandardUpdaterController.h"

MainInterface::MainInterface(HelperApp& helperApp, ViewController::Collaborators collaborators,
                             std::shared_ptr<SPUUserDriver> userDriver)
    : m_appDelegate(std::make_shared<AppDelegate>(helperApp))
    , m_updaterController(std::make_shared<SPUStandardUpdaterController>(std::move(userDriver)))
    , m_viewController(std::make_shared<ViewController>(std::move(collaborators)))
    , m_window(NSWindow::make({{0, 0}, windowSize}))
{
    m_appDelegate->updaterController = m_updaterController;
    m_window->setTitle(windowTitle);
    m_window->setContentViewController(m_viewController);
}

void MainInterface::load(NSApplication& application)
{
    application.setDelegate(m_appDelegate);
    m_window->makeKeyAndOrderFront();
}
