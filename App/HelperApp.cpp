#include "App/HelperApp.h"

#include <filesystem>
#include <system_error>

#include "App/App.h"
#include "App/PropertyList.h"
#include "Platform/AppKit/NSRunningApplication.h"
#include "Platform/AppKit/NSWorkspace.h"
#include "Platform/Foundation/FileManager.h"
#include "Platform/Foundation/NSBundle.h"
#include "Platform/Foundation/ProcessExitSource.h"
#include "Platform/Foundation/PropertyListSerialization.h"
#include "Platform/Foundation/Timer.h"
#include "Shared/Console.h"
#include "Shared/SharedData.h"

namespace {
constexpr const char* kLoginItemTag = "setLoginItemEnabled(_:)";
constexpr const char* kRelaunchTag = "relaunch()";
}  // namespace

HelperApp& HelperApp::shared()
{
    static HelperApp helper(Context{
        [] { return NSBundle::main()->bundleURL(); },
        [] { return App::resourcesPath(); },
        "/Library/LaunchAgents/",
        FileManager::homeDirectory() + "/Library/LaunchAgents/",
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

HelperApp::~HelperApp()
{
    stopWaiting();
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

std::string HelperApp::userInstalledPath() const
{
    return m_context.userLaunchAgentsPath + std::string(plistName);
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

Expected<void> HelperApp::installLoginItem(const std::string& installed)
{
    // Fails when the file is already there; its other keys are then kept.
    std::error_code ignored;
    std::filesystem::copy_file(templatePath(), installed, std::filesystem::copy_options::none, ignored);
    auto dictionary = PropertyList::dictionary(installed);
    dictionary["Program"] = executablePath();
    auto data = PropertyListSerialization::data(dictionary);
    if (!data)
        return data.error();
    return FileManager::writeAtomically(installed, *data);
}

void HelperApp::setLoginItemEnabled(bool enabled)
{
    if (!enabled) {
        for (const auto& installed : {installedPath(), userInstalledPath()}) {
            std::error_code failed;
            if (!std::filesystem::remove(installed, failed) && failed)
                Console::shared().printLog("cannot remove the login item " + installed + ": " + failed.message(), kLoginItemTag);
        }
    } else if (auto placed = installLoginItem(installedPath())) {
        // One item is enough; the user's own may be left from before.
        std::error_code ignored;
        std::filesystem::remove(userInstalledPath(), ignored);
        Console::shared().printLog("login item: " + installedPath(), kLoginItemTag);
    } else {
        // Only administrators may write the system's folder; the user's own
        // starts the app at this user's logins.
        auto folder = FileManager::createDirectory(m_context.userLaunchAgentsPath, true);
        auto mine = folder ? installLoginItem(userInstalledPath()) : folder;
        if (mine)
            Console::shared().printLog({"login item: " + userInstalledPath(), placed.error().description}, kLoginItemTag);
        else
            Console::shared().printLog({"no login item written", placed.error().description, mine.error().description},
                                       kLoginItemTag);
    }
    m_context.sharedData->setLoginItemIsEnabled(enabled);
}

void HelperApp::relaunch()
{
    stopWaiting();
    auto application = runningApplication();
    // A launch while the old instance still runs starts nothing, and the old
    // one then quits, leaving none: launch once it has ended. It may take a
    // while to unmount its volumes; nobody waits on the main thread meanwhile.
    if (!application || !application->terminate()) {
        launchAgain();
        return;
    }
    auto watched = application->observeTermination([this] {
        stopWaiting();
        launchAgain();
    });
    if (!watched) {
        if (watched.error().code != ESRCH)
            Console::shared().printLog(watched.error().description, kRelaunchTag);
        launchAgain();
        return;
    }
    m_termination = std::move(*watched);
    m_terminating = application->processIdentifier();
    m_terminationDeadline = std::chrono::steady_clock::now() + m_context.terminationWait;
    const double seconds = std::chrono::duration<double>(m_context.terminationWait).count();
    m_terminationTimeout = Timer::scheduledTimer(seconds, false, [this](Timer&) { giveUpWaiting(); });
}

void HelperApp::finishRelaunch()
{
    if (!m_termination)
        return;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(m_terminationDeadline
                                                                            - std::chrono::steady_clock::now());
    if (!m_termination->waitUntilEnded(left)) {
        giveUpWaiting();
        return;
    }
    stopWaiting();
    launchAgain();
}

void HelperApp::giveUpWaiting()
{
    const pid_t pid = m_terminating;
    stopWaiting();
    Console::shared().printLog("ParvexMenu (process " + std::to_string(pid) + ") still runs "
                                   + std::to_string(std::chrono::duration_cast<std::chrono::seconds>(
                                                        m_context.terminationWait).count())
                                   + " s after it was asked to quit; no new one is started",
                               kRelaunchTag);
}

void HelperApp::launchIfNotRunning()
{
    if (!runningApplication())
        m_context.launchApplication(path());
}

void HelperApp::launchAgain()
{
    m_context.launchApplication(path());
    if (!runningApplication())
        m_context.launchApplication(path());
}

void HelperApp::stopWaiting()
{
    m_termination.reset();
    if (m_terminationTimeout)
        m_terminationTimeout->invalidate();
    m_terminationTimeout.reset();
}
