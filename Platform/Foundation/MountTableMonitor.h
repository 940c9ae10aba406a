#pragma once

#include <functional>
#include <memory>

#include "Platform/Foundation/Expected.h"
#include "Platform/Foundation/RunLoopMode.h"

struct libmnt_monitor;
class FileDescriptorSource;
class Timer;

// Tells the main run loop that this process's mount table changed: a volume
// was mounted or unmounted anywhere in its mount namespace (the kernel
// signals /proc/self/mountinfo). It stands in for the disk framework's
// arrival and disappearance callbacks: on Linux a plugged-in volume shows
// first as a new mount.
//
// Like a timer, the block runs only while the loop is in the monitor's mode;
// changes that come while it is in another one (a menu being tracked) are
// told once when it is back. Changes that come before the block has run join
// the one delivery already due, so a burst is told once or a few times,
// never once per mount.
class MountTableMonitor {
public:
    using Block = std::function<void()>;

    static Expected<std::unique_ptr<MountTableMonitor>> start(Block block,
                                                              RunLoopMode mode = RunLoopMode::defaultMode);
    ~MountTableMonitor();

    MountTableMonitor(const MountTableMonitor&) = delete;
    MountTableMonitor& operator=(const MountTableMonitor&) = delete;

private:
    MountTableMonitor(libmnt_monitor* monitor, Block block, RunLoopMode mode);
    void takeChanges();

    libmnt_monitor* m_monitor;
    Block m_block;
    RunLoopMode m_mode;
    std::unique_ptr<FileDescriptorSource> m_source;
    std::shared_ptr<Timer> m_delivery;
};
