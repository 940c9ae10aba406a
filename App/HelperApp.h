#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/Foundation/Expected.h"

class NSRunningApplication;
class ProcessExitSource;
class SharedData;
class Timer;

// The settings app's handle on the menu-bar app ParvexMenu inside its bundle:
// finds the running instance, starts and restarts it, and makes it start at
// login through a launch-agent property list.
class HelperApp {
public:
    using RunningApplications = std::function<std::vector<std::shared_ptr<NSRunningApplication>>()>;
    using Launch = std::function<void(const std::string& path)>;

    static constexpr std::string_view bundleIdentifier = "top.kestrova.macOS.Parvex.Helper";
    static constexpr std::string_view plistName = "Auto.top.kestrova.macOS.Parvex.Helper.plist";

    // Where it looks and what it works with. The shared instance takes the
    // main bundle, the app's resources, "/Library/LaunchAgents/", the user's
    // own "~/Library/LaunchAgents/", the shared settings and the workspace.
    struct Context {
        std::function<std::string()> bundlePath;
        std::function<std::string()> resourcesPath;
        std::string launchAgentsPath = "/Library/LaunchAgents/";
        // Where the login item goes when the system folder cannot be written
        // (a user who is no administrator): the login hook reads both.
        std::string userLaunchAgentsPath;
        SharedData* sharedData = nullptr;
        RunningApplications runningApplications;
        Launch launchApplication;
        // How long a relaunch waits for the old instance to quit: it may be
        // unmounting several volumes through sudo.
        std::chrono::milliseconds terminationWait = std::chrono::seconds(60);
    };

    static HelperApp& shared();
    explicit HelperApp(Context context);
    ~HelperApp();

    // The menu-bar app's bundle, found at first use and kept.
    const std::string& path();
    std::string executablePath();
    std::string templatePath() const;
    std::string installedPath() const;
    std::string userInstalledPath() const;

    // The last instance in the workspace's list, or null.
    std::shared_ptr<NSRunningApplication> runningApplication() const;
    void setLoginItemEnabled(bool enabled);
    // Asks the running instance to quit and returns at once; the new one is
    // launched from the main run loop when the old one has ended.
    void relaunch();
    // For the settings app's quit: a relaunch still waiting for the old
    // instance would end with this process and leave none running. Waits out
    // the rest of the bounded wait here, then launches.
    void finishRelaunch();
    void launchIfNotRunning();

private:
    // The template's keys with "Program" set, at `installed`.
    Expected<void> installLoginItem(const std::string& installed);
    // The launch that follows the old instance's end: once, and once more
    // if no instance turns up.
    void launchAgain();
    void stopWaiting();
    void giveUpWaiting();

    Context m_context;
    std::optional<std::string> m_path;
    std::unique_ptr<ProcessExitSource> m_termination;
    std::shared_ptr<Timer> m_terminationTimeout;
    pid_t m_terminating = 0;
    std::chrono::steady_clock::time_point m_terminationDeadline;
};
