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
#include "Shared/SharedData.h"

HelperApp& HelperApp::shared()
{
    static HelperApp helper(Context{
        [] { return NSBundle::main()->bundleURL(); },
        [] { return App::resourcesPath(); },
        "/Library/LaunchAgents/",
        &SharedData::shared(),
        [] { return NSWorkspace::shared().runningApplications(); },
        [](const std::string& path) { NSWorkspace::shared().launchApplication(path); },
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
        if (auto data = PropertyListSerialization::data(dictionary))
            FileManager::writeAtomically(installed, *data);
    }
    m_context.sharedData->setLoginItemIsEnabled(enabled);
}

void HelperApp::relaunch()
{
    if (auto application = runningApplication()) {
        application->terminate();
        // A launch while the old instance still runs starts nothing, and the
        // old one then quits, leaving none: wait for it to be gone first.
        waitForTermination(*application);
    }
    m_context.launchApplication(path());
    if (!runningApplication())
        m_context.launchApplication(path());
}

void HelperApp::launchIfNotRunning()
{
    if (!runningApplication())
        m_context.launchApplication(path());
}

bool HelperApp::waitForTermination(const NSRunningApplication& application) const
{
    auto deadline = std::chrono::steady_clock::now() + m_context.terminationWait;
    while (!application.isTerminated()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}
