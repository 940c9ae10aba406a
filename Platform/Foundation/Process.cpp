#include "Platform/Foundation/Process.h"

#include "Platform/Foundation/CStringArray.h"
#include "Platform/Foundation/FileDescriptor.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <climits>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
// Once a group is killed, what is still in the pipes is read for this long: a
// descendant that left the group, or that we may not kill, can hold them open
// for ever.
constexpr auto kDrainAfterKill = std::chrono::milliseconds(500);
// How often a child with a cutoff looks at it again.
constexpr auto kCutoffCheck = std::chrono::milliseconds(100);

bool hasTimeLimit(const ProcessOptions& options)
{
    return options.timeLimit || options.cutoff;
}

int millisecondsUntil(Clock::time_point when, Clock::time_point now)
{
    auto wait = std::chrono::ceil<std::chrono::milliseconds>(when - now).count();
    return static_cast<int>(std::clamp<decltype(wait)>(wait, 0, INT_MAX));
}

// When the child's group is to be killed, or `max` for never.
class TimeLimit {
public:
    explicit TimeLimit(const ProcessOptions& options)
        : m_cutoff(options.cutoff)
    {
        if (options.timeLimit)
            m_end = Clock::now() + *options.timeLimit;
    }

    Clock::time_point end() const { return m_cutoff ? std::min(m_end, m_cutoff->time()) : m_end; }
    // How long poll() may wait before the limit is looked at again; -1 for ever.
    int pollTimeout(Clock::time_point now) const
    {
        Clock::time_point until = end();
        if (m_cutoff)
            until = std::min(until, now + kCutoffCheck);
        return until == Clock::time_point::max() ? -1 : millisecondsUntil(until, now);
    }

private:
    Clock::time_point m_end = Clock::time_point::max();
    std::shared_ptr<const ProcessDeadline> m_cutoff;
};

void closeFd(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

// No end may sit on 0-2: the child's dup2 onto its standard streams would
// then clobber one of its own ends before using it. Both stay close-on-exec
// so a child started by another thread never holds them open.
bool liftAboveStandardStreams(std::array<int, 2>& ends)
{
    for (int& fd : ends) {
        if (fd < 0 || fd > STDERR_FILENO)
            continue;
        int lifted = ::fcntl(fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
        ::close(fd);
        fd = lifted;
    }
    if (ends[0] < 0 || ends[1] < 0) {
        int code = errno;
        closeFd(ends[0]);
        closeFd(ends[1]);
        errno = code;
        return false;
    }
    return true;
}

// The child writes into ends[1] and we read from ends[0].
bool makePipe(std::array<int, 2>& ends)
{
    return ::pipe2(ends.data(), O_CLOEXEC) == 0 && liftAboveStandardStreams(ends);
}

// An anonymous file in place of a pipe: the child writes through ends[1]; we
// read from the start through ends[0] once it has exited.
bool makeFile(std::array<int, 2>& ends)
{
    int file = ::memfd_create("output", MFD_CLOEXEC);
    if (file < 0)
        return false;
    ends = {file, ::fcntl(file, F_DUPFD_CLOEXEC, STDERR_FILENO + 1)};
    return liftAboveStandardStreams(ends);
}

// The child's standard streams, our ends of them, and with output in files
// what tells us the child has exited.
struct ChildStreams {
    std::array<int, 2> input{-1, -1};
    std::array<int, 2> output{-1, -1};
    std::array<int, 2> error{-1, -1};
    int exited = -1;

    ~ChildStreams()
    {
        for (auto* ends : {&input, &output, &error}) {
            closeFd((*ends)[0]);
            closeFd((*ends)[1]);
        }
        closeFd(exited);
    }
};

// The inherited environment with the caller's entries laid over it.
std::vector<std::string> mergedEnvironment(const std::map<std::string, std::string>& extra)
{
    std::vector<std::string> entries;
    for (char** entry = environ; entry && *entry; ++entry) {
        std::string_view text(*entry);
        if (!extra.contains(std::string(text.substr(0, text.find('=')))))
            entries.emplace_back(text);
    }
    for (const auto& [name, value] : extra)
        entries.push_back(name + "=" + value);
    return entries;
}

// Feeding a child that exits without reading its input must not kill us with
// SIGPIPE, and the process-wide disposition is not ours to change: block it on
// this thread only and swallow the one our own write raised.
class BrokenPipeGuard {
public:
    BrokenPipeGuard()
    {
        sigemptyset(&m_set);
        sigaddset(&m_set, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &m_set, &m_previous);
        sigset_t pending;
        sigpending(&pending);
        m_wasPending = sigismember(&pending, SIGPIPE) == 1;
    }
    ~BrokenPipeGuard() { pthread_sigmask(SIG_SETMASK, &m_previous, nullptr); }

    void swallow()
    {
        if (m_wasPending)
            return;
        timespec now{};
        while (sigtimedwait(&m_set, nullptr, &now) < 0 && errno == EINTR) { }
    }

private:
    sigset_t m_set;
    sigset_t m_previous;
    bool m_wasPending = false;
};

// Reads what is there now; false once the stream is finished.
bool drain(int fd, std::string& into)
{
    std::array<char, 65536> buffer;
    ssize_t count = ::read(fd, buffer.data(), buffer.size());
    if (count > 0) {
        into.append(buffer.data(), static_cast<size_t>(count));
        return true;
    }
    if (count < 0 && (errno == EINTR || errno == EAGAIN))
        return true;
    return false;
}

// All a file holds, read from its start without moving the offset it shares
// with whatever the child left behind.
void readWhole(int fd, std::string& into)
{
    std::array<char, 65536> buffer;
    for (off_t offset = 0;;) {
        ssize_t count = ::pread(fd, buffer.data(), buffer.size(), offset);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return;
        into.append(buffer.data(), static_cast<size_t>(count));
        offset += count;
    }
}

// Both output pipes are read at once and the input is fed alongside, so a
// child blocked on any one pipe is always unblocked by us; output in files
// waits for the child's exit instead. A child with a time limit has its group
// killed when the limit comes.
void exchange(ChildStreams& streams, const std::string& input, pid_t child, const ProcessOptions& options,
              ProcessResult& result)
{
    int& out = streams.output[0];
    int& err = streams.error[0];
    int& in = streams.input[1];
    int& exited = streams.exited;
    size_t written = 0;
    std::optional<BrokenPipeGuard> guard;
    if (in >= 0) {
        if (input.empty())
            closeFd(in);
        else {
            ::fcntl(in, F_SETFL, ::fcntl(in, F_GETFL) | O_NONBLOCK);
            guard.emplace();
        }
    }

    std::optional<TimeLimit> limit;
    if (hasTimeLimit(options))
        limit.emplace(options);
    std::optional<Clock::time_point> drainUntil;
    while (out >= 0 || err >= 0 || in >= 0 || exited >= 0) {
        int timeout = -1;
        const Clock::time_point now = Clock::now();
        if (limit && !drainUntil) {
            if (now >= limit->end()) {
                ::kill(-child, SIGKILL);
                result.timedOut = true;
                drainUntil = now + kDrainAfterKill;
                closeFd(in);
            } else {
                timeout = limit->pollTimeout(now);
            }
        }
        if (drainUntil) {
            if (now >= *drainUntil)
                break;
            timeout = millisecondsUntil(*drainUntil, now);
        }
        std::array<pollfd, 4> watched{};
        nfds_t count = 0;
        for (int fd : {out, err, exited})
            if (fd >= 0)
                watched[count++] = pollfd{fd, POLLIN, 0};
        if (in >= 0)
            watched[count++] = pollfd{in, POLLOUT, 0};
        if (count == 0)
            break;
        if (::poll(watched.data(), count, timeout) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        for (nfds_t index = 0; index < count; ++index) {
            const pollfd& entry = watched[index];
            if (!entry.revents)
                continue;
            if (entry.fd == out && !drain(out, result.standardOutput))
                closeFd(out);
            else if (entry.fd == err && !drain(err, result.standardError))
                closeFd(err);
            else if (entry.fd == exited) {
                // Whatever the child left behind reads its input no more for it.
                closeFd(exited);
                closeFd(in);
            } else if (entry.fd == in) {
                ssize_t sent = ::write(in, input.data() + written, input.size() - written);
                if (sent > 0)
                    written += static_cast<size_t>(sent);
                else if (sent < 0 && errno != EINTR && errno != EAGAIN) {
                    if (errno == EPIPE)
                        guard->swallow();
                    written = input.size();
                }
                if (written == input.size())
                    closeFd(in);
            }
        }
    }
}

void reap(pid_t child, ProcessResult& result)
{
    int status = 0;
    // A killed child goes at once, unless it was not ours to kill: then it
    // is left to end by itself.
    const Clock::time_point giveUp = Clock::now() + kDrainAfterKill;
    const int flags = result.timedOut ? WNOHANG : 0;
    for (;;) {
        pid_t reaped = ::waitpid(child, &status, flags);
        if (reaped == child)
            break;
        if (reaped < 0 && errno != EINTR)
            return;
        if (reaped == 0) {
            if (Clock::now() >= giveUp)
                return;
            ::usleep(1000);
        }
    }
    if (WIFEXITED(status))
        result.exitStatus = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        result.terminationSignal = WTERMSIG(status);
}

Error launchFailure(const ProcessOptions& options, int code)
{
    if (options.currentDirectory)
        return Error::system(code, "The program \"", options.launchPath, "\" couldn't be launched in \"",
                             *options.currentDirectory, "\"");
    return Error::system(code, "The program \"", options.launchPath, "\" couldn't be launched");
}

} // namespace

std::string ProcessResult::trimmedStandardError() const
{
    std::string text = standardError;
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text;
}

Expected<ProcessResult> Process::run(const ProcessOptions& options)
{
    ProcessResult result;
    ChildStreams streams;
    bool feedsInput = options.standardInput.has_value();
    auto makeOutput = options.outputInFiles ? makeFile : makePipe;
    if ((feedsInput && !makePipe(streams.input)) || !makeOutput(streams.output) || !makeOutput(streams.error))
        return launchFailure(options, errno);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (options.currentDirectory)
        posix_spawn_file_actions_addchdir_np(&actions, options.currentDirectory->c_str());
    if (feedsInput)
        posix_spawn_file_actions_adddup2(&actions, streams.input[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, streams.output[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, streams.error[1], STDERR_FILENO);
    // Descriptors some library opened without close-on-exec stay ours too.
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);

    // The child starts with no blocked signals and the default SIGPIPE action,
    // whatever this thread or process has set up for itself.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t signals;
    sigemptyset(&signals);
    posix_spawnattr_setsigmask(&attributes, &signals);
    sigaddset(&signals, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &signals);
    short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
    // A group of its own, so that all it started can be ended together.
    if (hasTimeLimit(options)) {
        posix_spawnattr_setpgroup(&attributes, 0);
        flags |= POSIX_SPAWN_SETPGROUP;
    }
    posix_spawnattr_setflags(&attributes, flags);

    std::vector<std::string> argumentTexts{options.launchPath};
    argumentTexts.insert(argumentTexts.end(), options.arguments.begin(), options.arguments.end());
    CStringArray argv(std::move(argumentTexts));
    std::optional<CStringArray> environment;
    if (!options.environment.empty())
        environment.emplace(mergedEnvironment(options.environment));

    pid_t child = -1;
    int code = posix_spawnp(&child, options.launchPath.c_str(), &actions, &attributes, argv.data(),
                            environment ? environment->data() : environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    // Only the child may hold its ends, or we would never see end of file.
    closeFd(streams.input[0]);
    closeFd(streams.output[1]);
    closeFd(streams.error[1]);
    if (code != 0)
        return launchFailure(options, code);

    // Output in files is read once the child has exited, which its pidfd tells.
    // Without one (a kernel before 5.3) we wait for the exit itself, and a
    // time limit is not kept.
    FileDescriptor outputFile;
    FileDescriptor errorFile;
    if (options.outputInFiles) {
        outputFile.reset(std::exchange(streams.output[0], -1));
        errorFile.reset(std::exchange(streams.error[0], -1));
        // Through syscall(): Debian 12's <sys/pidfd.h> declares pidfd_open
        // without C linkage.
        streams.exited = static_cast<int>(::syscall(SYS_pidfd_open, child, 0));
    }
    exchange(streams, options.standardInput.value_or(std::string()), child, options, result);
    reap(child, result);
    if (options.outputInFiles) {
        readWhole(outputFile.get(), result.standardOutput);
        readWhole(errorFile.get(), result.standardError);
    }
    return result;
}
