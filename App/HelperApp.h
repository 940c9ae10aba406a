#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class NSRunningApplication;
class SharedData;

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
    // main bundle, the app's resources, "/Library/LaunchAgents/", the shared
    // settings and the workspace.
    struct Context {
        std::function<std::string()> bundlePath;
        std::function<std::string()> resourcesPath;
        std::string launchAgentsPath = "/Library/LaunchAgents/";
        SharedData* sharedData = nullptr;
        RunningApplications runningApplications;
        Launch launchApplication;
        // How long a relaunch waits for the old instance to quit.
        std::chrono::milliseconds terminationWait = std::chrono::seconds(5);
    };

    static HelperApp& shared();
    explicit HelperApp(Context context);

    // The menu-bar app's bundle, found at first use and kept.
    const std::string& path();
    std::string executablePath();
    std::string templatePath() const;
    std::string installedPath() const;

    // The last instance in the workspace's list, or null.
    std::shared_ptr<NSRunningApplication> runningApplication() const;
    void setLoginItemEnabled(bool enabled);
    void relaunch();
    void launchIfNotRunning();

private:
    // At most `terminationWait`.
    void waitForTermination(const NSRunningApplication& application) const;

    Context m_context;
    std::optional<std::string> m_path;
};
