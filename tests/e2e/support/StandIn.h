#pragma once

#include <sys/types.h>

#include <string>

// Places a fault at an exact step: a stand-in for a tool, first on PATH and
// on sudo's secure path, whose first call stops at its start and waits on a
// FIFO that nobody writes, until it is killed; later calls run the real tool
// (or fail, where there is none: a sudo that never answers). No sleep
// decides where the fault falls.
class StandIn {
public:
    // `realTool` empty: every call is the first.
    StandIn(const std::string& tool, const std::string& realTool);
    ~StandIn();
    StandIn(const StandIn&) = delete;
    StandIn& operator=(const StandIn&) = delete;

    // Waits until a call has reached the stand-in; its process id, or 0.
    pid_t waitUntilReached(double seconds = 30) const;

    static constexpr const char* folder = "/tmp/ntfs-e2e/stand-ins";

private:
    std::string m_tool;
    std::string m_oldPath;
};
