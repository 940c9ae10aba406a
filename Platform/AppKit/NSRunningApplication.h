#pragma once

#include <sys/types.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>

struct ProcessEntry;

// One running process as the workspace sees it: the application bundle that
// holds its executable, when there is one. The process is told from a later
// one reusing its pid by its start time.
class NSRunningApplication {
public:
    static std::shared_ptr<NSRunningApplication> current();
    // Null when no such process runs.
    static std::shared_ptr<NSRunningApplication> withProcessIdentifier(pid_t pid);
    static std::shared_ptr<NSRunningApplication> from(const ProcessEntry& entry);

    pid_t processIdentifier() const { return m_pid; }
    const std::optional<std::string>& bundleIdentifier() const { return m_bundleIdentifier; }
    const std::optional<std::string>& bundleURL() const { return m_bundleURL; }
    const std::optional<std::string>& executableURL() const { return m_executableURL; }
    // The bundle's name without ".app", else the executable's name.
    const std::string& localizedName() const { return m_localizedName; }
    std::chrono::system_clock::time_point launchDate() const { return m_launchDate; }

    // Looks again each time: true once the process has ended (a zombie has).
    bool isTerminated() const;
    // Asks the process to quit (SIGTERM); an application quits through its
    // normal terminate sequence. False when the request could not be sent.
    bool terminate();
    bool forceTerminate();

private:
    NSRunningApplication() = default;
    bool signal(int number);

    pid_t m_pid = 0;
    unsigned long long m_startTicks = 0;
    std::optional<std::string> m_bundleIdentifier;
    std::optional<std::string> m_bundleURL;
    std::optional<std::string> m_executableURL;
    std::string m_localizedName;
    std::chrono::system_clock::time_point m_launchDate;
};
