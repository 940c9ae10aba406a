#include "support/OpenGate.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/fanotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

namespace {

std::string nameOf(int fd)
{
    char target[4096];
    ssize_t length = ::readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), target, sizeof target - 1);
    std::string path(target, length > 0 ? static_cast<size_t>(length) : 0);
    return path.substr(path.rfind('/') + 1);
}

}  // namespace

std::unique_ptr<OpenGate> OpenGate::install(const std::string& folder, pid_t process, std::string prefix, Step step,
                                            std::string& why)
{
    int fanotify = ::fanotify_init(FAN_CLASS_CONTENT | FAN_CLOEXEC | FAN_NONBLOCK, O_RDONLY | O_LARGEFILE | O_CLOEXEC);
    if (fanotify < 0) {
        why = std::string("fanotify_init: ") + std::strerror(errno);
        return nullptr;
    }
    if (::fanotify_mark(fanotify, FAN_MARK_ADD, FAN_OPEN_PERM | FAN_EVENT_ON_CHILD, AT_FDCWD, folder.c_str()) != 0) {
        why = std::string("fanotify_mark: ") + std::strerror(errno);
        ::close(fanotify);
        return nullptr;
    }
    int wake = ::eventfd(0, EFD_CLOEXEC);
    return std::unique_ptr<OpenGate>(new OpenGate(fanotify, wake, process, std::move(prefix), std::move(step)));
}

OpenGate::OpenGate(int fanotify, int wake, pid_t process, std::string prefix, Step step)
    : m_fanotify(fanotify)
    , m_wake(wake)
    , m_process(process)
    , m_prefix(std::move(prefix))
    , m_step(std::move(step))
{
    m_server = std::thread([this] { serve(); });
    m_stepper = std::thread([this] { runSteps(); });
}

OpenGate::~OpenGate()
{
    {
        std::lock_guard guard(m_lock);
        m_stopping = true;
    }
    m_changed.notify_all();
    std::uint64_t one = 1;
    (void)!::write(m_wake, &one, sizeof one);
    m_stepper.join();
    m_server.join();
    // Closing the group lets any open still waiting go.
    ::close(m_fanotify);
    ::close(m_wake);
}

size_t OpenGate::held() const
{
    std::lock_guard guard(m_lock);
    return m_held;
}

void OpenGate::allow(int fd) const
{
    fanotify_response response{fd, FAN_ALLOW};
    (void)!::write(m_fanotify, &response, sizeof response);
    ::close(fd);
}

// Never opens a file itself: an open of its own in the folder would wait on it.
void OpenGate::serve()
{
    alignas(fanotify_event_metadata) char buffer[8192];
    for (;;) {
        pollfd ready[2] = {{m_fanotify, POLLIN, 0}, {m_wake, POLLIN, 0}};
        if (::poll(ready, 2, -1) < 0 && errno != EINTR)
            return;
        if (ready[1].revents)
            return;
        ssize_t length = ::read(m_fanotify, buffer, sizeof buffer);
        if (length <= 0)
            continue;
        auto* event = reinterpret_cast<fanotify_event_metadata*>(buffer);
        for (; FAN_EVENT_OK(event, length); event = FAN_EVENT_NEXT(event, length)) {
            if (event->fd < 0)
                continue;
            if (event->pid != m_process || !nameOf(event->fd).starts_with(m_prefix)) {
                allow(event->fd);
                continue;
            }
            std::lock_guard guard(m_lock);
            m_waiting.push_back(event->fd);
            ++m_held;
            m_changed.notify_all();
        }
    }
}

void OpenGate::runSteps()
{
    for (;;) {
        int fd = -1;
        {
            std::unique_lock guard(m_lock);
            m_changed.wait(guard, [&] { return m_stopping || !m_waiting.empty(); });
            if (m_waiting.empty())
                return;
            fd = m_waiting.front();
            m_waiting.pop_front();
        }
        struct stat info {};
        if (!m_stopping)
            m_step({nameOf(fd), ::fstat(fd, &info) == 0 ? info.st_size : 0});
        allow(fd);
    }
}
