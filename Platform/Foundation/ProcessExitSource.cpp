#include "Platform/Foundation/ProcessExitSource.h"

#include <glib-unix.h>
#include <poll.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>

#include "Platform/Foundation/RunLoop.h"

Expected<std::unique_ptr<ProcessExitSource>> ProcessExitSource::watch(pid_t pid, std::function<void()> ended)
{
    int descriptor = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    if (descriptor < 0)
        return Error::system(errno, "cannot watch process ", std::to_string(pid));
    return std::unique_ptr<ProcessExitSource>(new ProcessExitSource(descriptor, std::move(ended)));
}

ProcessExitSource::ProcessExitSource(int descriptor, std::function<void()> ended)
    : m_descriptor(descriptor)
    , m_ended(std::move(ended))
{
    // A pidfd turns readable when its process ends (a zombie has).
    m_source = g_unix_fd_source_new(m_descriptor, G_IO_IN);
    GUnixFDSourceFunc readable = [](gint, GIOCondition, gpointer self) -> gboolean {
        fire(self);
        return G_SOURCE_REMOVE;
    };
    g_source_set_callback(m_source, reinterpret_cast<GSourceFunc>(reinterpret_cast<void (*)()>(readable)), this, nullptr);
    g_source_attach(m_source, RunLoop::main().context());
}

ProcessExitSource::~ProcessExitSource()
{
    g_source_destroy(m_source);
    g_source_unref(m_source);
    ::close(m_descriptor);
}

bool ProcessExitSource::waitUntilEnded(std::chrono::milliseconds limit) const
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        pollfd readable{m_descriptor, POLLIN, 0};
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        const int ready = ::poll(&readable, 1, static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0)));
        if (ready > 0)
            return true;
        if (ready == 0 || errno != EINTR)
            return false;
    }
}

void ProcessExitSource::fire(void* self)
{
    // The block may destroy this source: nothing of it is touched afterwards.
    auto ended = std::move(static_cast<ProcessExitSource*>(self)->m_ended);
    if (ended)
        ended();
}
