#include "App/HelperApp.h"

#include <filesystem>
#include <system_error>
#include <thread>

#include "App/App.h"
#include "App/PropertyList.h"
#include "Platform/AppKit/NSBundle.h"
#include "Platform/AppKit/NSRunningApplication.h"
#include "Platform/AppKit/NSWorkspace.h"
#include "Platform/Foundation/FileManager.h"
#include "Platform/Foundation/PropertyListSerialization.h"
#include "Shared/Console.h"
#include "Shared/SharedData.h"

HelperApp& HelperApp::shared()
{
    static HelperApp helper(Context{
        [] { return NSBundle::main()->bundleURL(); },
        [] { return App::resourcesPath(); },
        "/Library/LaunchAgents/",
        &SharedData::shared(),
        [] { return NSWorkspace::shared().runningApplications(); },
        [](const std::string& path) {
            if (auto launched = NSWorkspace::shared().launchApplication(path); !launched)
                Console::shared().printLog(launched.error().description, "launchApplication");
        },
    });
    return helper;
}

HelperApp::HelperApp(Context context)
    : m_context(std::move(context))
{
}

const std::string& HelperApp::path()
{
    if (!m_path)
        m_path = m_context.bundlePath() + "/Contents/Library/LoginItems/ParvexMenu.app";
    return *m_path;
}

std::string HelperApp::executablePath()
{
    return path() + "/Contents/MacOS/ParvexMenu";
}

std::string HelperApp::templatePath() const
{
    return m_context.resourcesPath() + "/" + std::string(plistName);
}

std::string HelperApp::installedPath() const
{
    return m_context.launchAgentsPath + std::string(plistName);
}

std::shared_ptr<NSRunningApplication> HelperApp::runningApplication() const
{
    auto applications = m_context.runningApplications();
    for (auto application = applications.rbegin(); application != applications.rend(); ++application) {
        const auto& identifier = (*application)->bundleIdentifier();
        if (identifier && *identifier == bundleIdentifier)
            return *application;
    }
    return nullptr;
}

void HelperApp::setLoginItemEnabled(bool enabled)
{
    std::string executable = executablePath();
    std::string templateFile = templatePath();
    std::string installed = installedPath();
    std::error_code ignored;
    if (!enabled) {
        std::filesystem::remove(installed, ignored);
    } else {
        // Fails when the file is already there; its other keys are then kept.
        std::filesystem::copy_file(templateFile, installed, std::filesystem::copy_options::none, ignored);
        auto dictionary = PropertyList::dictionary(installed);
        dictionary["Program"] = executable;
        if (auto data = PropertyListSerialization::data(dictionary)) {
            if (auto written = FileManager::writeAtomically(installed, *data); !written)
                Console::shared().printLog(written.error().description, "setLoginItemEnabled(_:)");
        }
    }
    m_context.sharedData->setLoginItemIsEnabled(enabled);
}

void HelperApp::relaunch()
{
    // A launch while the old instance still runs starts nothing, and the old
    // one then quits, leaving none: wait for it to be gone first.
    if (auto application = runningApplication(); application && application->terminate())
        waitForTermination(*application);
    m_context.launchApplication(path());
    if (!runningApplication())
        m_context.launchApplication(path());
}

void HelperApp::launchIfNotRunning()
{
    if (!runningApplication())
        m_context.launchApplication(path());
}

void HelperApp::waitForTermination(const NSRunningApplication& application) const
{
    auto deadline = std::chrono::steady_clock::now() + m_context.terminationWait;
    while (!application.isTerminated() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
}
