#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "Platform/Foundation/ProcessEntry.h"

// The processes started from one executable file, as /proc names it (a file
// replaced since the start still names its path).
class ExecutableProcesses {
public:
    // Every running process whose executable is `path`; only those of `uid`
    // when it is given.
    static std::vector<ProcessEntry> find(const std::string& path, std::optional<uid_t> uid = std::nullopt);

    // Asks each of them to quit (SIGTERM), waits up to `grace` and ends the
    // rest with SIGKILL. Returns how many processes it found.
    static size_t stop(const std::string& path, std::chrono::milliseconds grace = std::chrono::seconds(3));

    // True once the process has ended (or its pid belongs to another one).
    static bool hasEnded(const ProcessEntry& entry);
};
