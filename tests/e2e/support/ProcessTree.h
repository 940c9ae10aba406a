#pragma once

#include <sys/types.h>

#include <vector>

// The processes a program started, and theirs, found through /proc.
class ProcessTree {
public:
    static std::vector<pid_t> descendantsOf(pid_t root);
    // SIGKILL to every process below `root`, as a crash of the whole session
    // would: `root` and each below it are stopped first, so that none starts
    // another meanwhile; `root` itself is left stopped for its parent to kill
    // and reap.
    static void killDescendants(pid_t root);
    // Running, not a zombie: orphans are not reaped here.
    static bool isRunning(pid_t pid);
};
