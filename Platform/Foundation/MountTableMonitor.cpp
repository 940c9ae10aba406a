#include "Platform/Foundation/MountTableMonitor.h"

#include <libmount/libmount.h>

#include "Platform/Foundation/FileDescriptorSource.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/Foundation/Timer.h"

Expected<std::unique_ptr<MountTableMonitor>> MountTableMonitor::start(Block block, RunLoopMode mode)
{
    libmnt_monitor* monitor = mnt_new_monitor();
    if (!monitor)
        return Error::message("cannot watch the mount table: out of memory");
    if (int failed = mnt_monitor_enable_kernel(monitor, 1); failed != 0) {
        mnt_unref_monitor(monitor);
        return Error::system(-failed, "cannot watch the mount table (/proc/self/mountinfo)");
    }
    // The monitor's descriptor is an epoll set: readable when a change is pending.
    int fd = mnt_monitor_get_fd(monitor);
    if (fd < 0) {
        mnt_unref_monitor(monitor);
        return Error::system(-fd, "cannot watch the mount table (/proc/self/mountinfo)");
    }
    std::unique_ptr<MountTableMonitor> watcher(new MountTableMonitor(monitor, std::move(block), mode));
    watcher->m_source = std::make_unique<FileDescriptorSource>(fd, [self = watcher.get()] { self->takeChanges(); });
    return watcher;
}

MountTableMonitor::MountTableMonitor(libmnt_monitor* monitor, Block block, RunLoopMode mode)
    : m_monitor(monitor)
    , m_block(std::move(block))
    , m_mode(mode)
{
}

MountTableMonitor::~MountTableMonitor()
{
    // The watch goes before the descriptor, which the monitor closes.
    m_source.reset();
    if (m_delivery)
        m_delivery->invalidate();
    mnt_unref_monitor(m_monitor);
}

void MountTableMonitor::takeChanges()
{
    // Take every pending change now, so that the descriptor rests until the next one.
    const char* file = nullptr;
    while (mnt_monitor_next_change(m_monitor, &file, nullptr) == 0) {
    }
    if (m_delivery && m_delivery->isValid())
        return;
    // A one-shot timer in the monitor's mode: it waits out another mode the
    // way the scan's own timer does, and changes meanwhile join it.
    m_delivery = Timer::make(0, false, [this](Timer&) {
        if (m_block)
            m_block();
    });
    RunLoop::main().add(m_delivery, m_mode);
}
