#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <memory>

#include "Platform/Foundation/Expected.h"
#include "Platform/Foundation/FileDescriptor.h"

class FileDescriptorSource;

// Calls a block on the main run loop once a process has ended, however it
// ends, from a pidfd the loop watches: nobody blocks waiting, and a later
// process that reuses the pid cannot stand in for it. Destroying the source
// first cancels the call.
class ProcessExitSource {
public:
    // Fails when no process has that pid or it cannot be watched (a kernel
    // without pidfds).
    static Expected<std::unique_ptr<ProcessExitSource>> watch(pid_t pid, std::function<void()> ended);

    ~ProcessExitSource();

    // Blocks for at most `limit` until the process has ended; true if it has.
    // For a program about to exit, which has no run loop left to wait on.
    bool waitUntilEnded(std::chrono::milliseconds limit) const;
    ProcessExitSource(const ProcessExitSource&) = delete;
    ProcessExitSource& operator=(const ProcessExitSource&) = delete;

private:
    ProcessExitSource(FileDescriptor descriptor, std::function<void()> ended);
    void ended();

    FileDescriptor m_descriptor;
    std::function<void()> m_ended;
    std::unique_ptr<FileDescriptorSource> m_source;
};
