#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

// One process as /proc shows it at the moment it is read.
struct ProcessEntry {
    pid_t pid = 0;
    uid_t uid = 0;
    char state = '?';
    // Clock ticks after boot at which the process started: with the pid, what
    // tells this process from a later one that reuses its pid.
    unsigned long long startTicks = 0;
    // Empty when the link cannot be read (another user's process, a kernel thread).
    std::string executablePath;

    // Nothing when the process is gone.
    static std::optional<ProcessEntry> read(pid_t pid);
    static std::vector<pid_t> allProcessIdentifiers();
    // The executable of /proc/<name> ("self" or a pid); a file replaced or
    // removed since the start still names the path it was started from.
    static std::optional<std::string> executableOf(const std::string& name);

    // A zombie has ended; it only waits for its parent to collect it.
    bool hasEnded() const { return state == 'Z' || state == 'X' || state == 'x'; }
};
