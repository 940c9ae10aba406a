#include "Platform/Foundation/ProcessExitSource.h"

#include <poll.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>

#include "Platform/Foundation/FileDescriptorSource.h"

Expected<std::unique_ptr<ProcessExitSource>> ProcessExitSource::watch(pid_t pid, std::function<void()> ended)
{
    int descriptor = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    if (descriptor < 0)
        return Error::system(errno, "cannot watch process ", std::to_string(pid));
    return std::unique_ptr<ProcessExitSource>(new ProcessExitSource(FileDescriptor(descriptor), std::move(ended)));
}

ProcessExitSource::ProcessExitSource(FileDescriptor descriptor, std::function<void()> ended)
    : m_descriptor(std::move(descriptor))
    , m_ended(std::move(ended))
{
    // A pidfd turns readable when its process ends (a zombie has), and stays so.
    m_source = std::make_unique<FileDescriptorSource>(m_descriptor.get(), [this] { this->ended(); });
}

ProcessExitSource::~ProcessExitSource() = default;

bool ProcessExitSource::waitUntilEnded(std::chrono::milliseconds limit) const
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        pollfd readable{m_descriptor.get(), POLLIN, 0};
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        const int ready = ::poll(&readable, 1, static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0)));
        if (ready > 0)
            return true;
        if (ready == 0 || errno != EINTR)
            return false;
    }
}

void ProcessExitSource::ended()
{
    // Once only; the block may destroy this source, so nothing of it is
    // touched afterwards.
    m_source.reset();
    auto ended = std::move(m_ended);
    if (ended)
        ended();
}
