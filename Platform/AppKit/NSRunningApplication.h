#pragma once

#include <sys/types.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "Platform/Foundation/Expected.h"
#include "Platform/Foundation/ProcessExitSource.h"

struct ProcessEntry;

// One running process as the workspace sees it: the application bundle that
// holds its executable, when there is one. The process is told from a later
// one reusing its pid by its start time.
class NSRunningApplication {
public:
    // Null when no such process runs.
    static std::shared_ptr<NSRunningApplication> withProcessIdentifier(pid_t pid);
    static std::shared_ptr<NSRunningApplication> from(const ProcessEntry& entry);

    pid_t processIdentifier() const { return m_pid; }
    const std::optional<std::string>& bundleIdentifier() const { return m_bundleIdentifier; }
    const std::optional<std::string>& bundleURL() const { return m_bundleURL; }

    // Looks again each time: true once the process has ended (a zombie has).
    bool isTerminated() const;
    // Asks the process to quit (SIGTERM); an application quits through its
    // normal terminate sequence. Fails when the request could not be sent:
    // never to a stranger that took over the pid.
    Expected<void> terminate();
    // Brings the application to the front: asks it to open again as the
    // desktop's reopen does. `done` hears on the main run loop whether it took
    // the request.
    void activate(std::function<void(const Expected<void>& asked)> done = nullptr) const;
    // How the desktop session asks an application, by its bundle identifier,
    // to open again (DesktopSession installs it); without one, activate fails.
    using Activation = std::function<void(const std::string& bundleIdentifier,
                                          std::function<void(const Expected<void>& asked)> done)>;
    static void setActivation(Activation activation);
    // Calls `terminated` on the main run loop once the process has ended,
    // without anyone waiting for it; dropping the source cancels the call.
    // Fails (ESRCH) when it has ended already.
    Expected<std::unique_ptr<ProcessExitSource>> observeTermination(std::function<void()> terminated) const;

private:
    NSRunningApplication() = default;
    static Activation& activation();

    pid_t m_pid = 0;
    unsigned long long m_startTicks = 0;
    std::optional<std::string> m_bundleIdentifier;
    std::optional<std::string> m_bundleURL;
};
