#include "Platform/Foundation/FileHandle.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <utility>

namespace {

constexpr size_t kChunk = 65536;

}  // namespace

Expected<FileHandle> FileHandle::forReading(const std::string& path, OpenOptions options)
{
    return open(path, O_RDONLY, options);
}

Expected<FileHandle> FileHandle::forAppending(const std::string& path, OpenOptions options)
{
    return open(path, O_RDWR | O_APPEND, options);
}

Expected<FileHandle> FileHandle::open(const std::string& path, int flags, OpenOptions options)
{
    // O_NONBLOCK: opening a FIFO must not wait for its other end. It means
    // nothing for a regular file, the only kind kept.
    flags |= O_NONBLOCK | O_NOCTTY | O_CLOEXEC | (options.followLink ? 0 : O_NOFOLLOW);
    if (options.create)
        flags |= O_CREAT | O_NOFOLLOW;
    int fd = ::open(path.c_str(), flags, 0644);
    if (fd < 0)
        return FileManager::fileError(errno, "opened", path);
    FileHandle handle(fd, path);
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        return FileManager::fileError(errno, "opened", path);
    if (!S_ISREG(info.st_mode))
        return FileManager::fileError(EINVAL, "opened", path, "it is not a regular file");
    if (options.ownedByUs && info.st_uid != ::geteuid())
        return FileManager::fileError(EPERM, "opened", path, "it belongs to another user");
    return handle;
}

FileHandle::FileHandle(int fd, std::string path)
    : m_fd(fd)
    , m_path(std::move(path))
{
}

FileHandle::FileHandle(FileHandle&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1))
    , m_path(std::move(other.m_path))
{
}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = std::exchange(other.m_fd, -1);
        m_path = std::move(other.m_path);
    }
    return *this;
}

FileHandle::~FileHandle()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

Expected<std::string> FileHandle::readToEnd(std::optional<size_t> limit) const
{
    return read(0, limit, true);
}

Expected<std::string> FileHandle::readTail(size_t count) const
{
    off_t size = stamp().size;
    off_t start = size > static_cast<off_t>(count) ? size - static_cast<off_t>(count) : 0;
    return read(start, count, false);
}

Expected<std::string> FileHandle::read(off_t offset, std::optional<size_t> limit, bool failWhenLarger) const
{
    // The size is checked before reading, so a huge file costs nothing; the
    // limit also holds for a file that grows while it is read.
    if (limit && failWhenLarger && stamp().size - offset > static_cast<off_t>(*limit))
        return FileManager::fileError(EFBIG, "read", m_path);
    std::string data;
    char buffer[kChunk];
    for (;;) {
        size_t wanted = sizeof buffer;
        if (limit && !failWhenLarger)
            wanted = std::min(wanted, *limit - data.size());
        ssize_t got = wanted == 0 ? 0 : ::pread(m_fd, buffer, wanted, offset + static_cast<off_t>(data.size()));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return FileManager::fileError(errno, "read", m_path);
        if (got == 0)
            return data;
        if (limit && data.size() + static_cast<size_t>(got) > *limit)
            return FileManager::fileError(EFBIG, "read", m_path);
        data.append(buffer, static_cast<size_t>(got));
    }
}

Expected<void> FileHandle::write(std::string_view data)
{
    while (!data.empty()) {
        ssize_t written = ::write(m_fd, data.data(), data.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return FileManager::fileError(errno, "saved", m_path);
        data.remove_prefix(static_cast<size_t>(written));
    }
    return {};
}

FileStamp FileHandle::stamp() const
{
    struct stat info {};
    if (::fstat(m_fd, &info) != 0)
        return FileStamp{};
    return FileManager::stampOf(info);
}

Expected<void> FileHandle::waitForWriters(std::chrono::milliseconds patience) const
{
    auto leased = leaseWithoutWriters(patience);
    if (leased)
        ::fcntl(m_fd, F_SETLEASE, F_UNLCK);
    return leased;
}

Expected<std::string> FileHandle::readToEndWithoutWriters(std::chrono::milliseconds patience) const
{
    if (auto leased = leaseWithoutWriters(patience); !leased)
        return leased.error();
    // While the lease is held, a program that opens the file for writing
    // waits for us: nothing is half written while we read.
    auto text = readToEnd();
    ::fcntl(m_fd, F_SETLEASE, F_UNLCK);
    return text;
}

Expected<void> FileHandle::leaseWithoutWriters(std::chrono::milliseconds patience) const
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + patience;
    // Should a program open the file for writing in the moment the lease is
    // held, the kernel tells us with a signal: SIGURG, which a process
    // ignores unless it asks for it, rather than SIGIO, which would end it.
    ::fcntl(m_fd, F_SETSIG, SIGURG);
    // A watch for writers closing the file is made only when one is seen
    // (ending a watch costs milliseconds), and before the next try, so that
    // a close between that try and the wait still wakes it.
    int watch = -1;
    Expected<void> result;
    for (bool watching = false;; watching = true) {
        if (::fcntl(m_fd, F_SETLEASE, F_RDLCK) == 0)
            break;
        if (errno != EAGAIN) {
            result = FileManager::fileError(errno, "read", m_path, "whether a program still writes to it is unknown");
            break;
        }
        if (!watching) {
            watch = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
            std::string self = "/proc/self/fd/" + std::to_string(m_fd);
            if (watch >= 0 && ::inotify_add_watch(watch, self.c_str(), IN_CLOSE_WRITE) < 0) {
                ::close(watch);
                watch = -1;
            }
            continue;
        }
        auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            result = FileManager::fileError(ETIMEDOUT, "read", m_path, "a program still holds it open for writing");
            break;
        }
        // Without a watch, a look every 10 ms.
        pollfd closed{watch, POLLIN, 0};
        ::poll(&closed, watch >= 0 ? 1 : 0, static_cast<int>(watch >= 0 ? left : std::min<long long>(left, 10)));
        char events[4096];
        while (watch >= 0 && ::read(watch, events, sizeof events) > 0) {
        }
    }
    if (watch >= 0)
        ::close(watch);
    return result;
}
