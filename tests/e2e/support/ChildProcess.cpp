#include "support/ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

extern char** environ;

namespace {

pid_t spawn(const std::vector<std::string>& arguments, const std::string& outputPath)
{
    std::vector<char*> argv;
    for (auto& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outputPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

}  // namespace

ChildProcess::ChildProcess(std::vector<std::string> arguments, const std::string& outputPath)
    : m_pid(spawn(arguments, outputPath))
{
}

ChildProcess::~ChildProcess()
{
    stop(SIGKILL);
}

bool ChildProcess::isRunning()
{
    if (m_pid <= 0 || m_reaped)
        return false;
    m_reaped = ::waitpid(m_pid, &m_status, WNOHANG) == m_pid;
    return !m_reaped;
}

int ChildProcess::stop(int signal)
{
    if (m_pid <= 0)
        return -1;
    if (!m_reaped) {
        ::kill(m_pid, signal);
        ::waitpid(m_pid, &m_status, 0);
        m_reaped = true;
    }
    return m_status;
}

int ChildProcess::quit(double seconds)
{
    if (isRunning())
        ::kill(m_pid, SIGTERM);
    if (waitUntil([&] { return !isRunning(); }, seconds))
        return stop(SIGTERM);
    stop(SIGKILL);
    return -1;
}

std::unique_ptr<ChildProcess> startAgent(bool keepLogPath)
{
    if (!keepLogPath)
        ::unlink(kAgentLog);
    auto agent = std::make_unique<ChildProcess>(std::vector<std::string>{kAgentPath}, "/tmp/agent.output");
    return waitForFileContaining(kAgentLog, "Running...", 10) ? std::move(agent) : nullptr;
}

int runCommand(const std::vector<std::string>& arguments)
{
    ChildProcess child(arguments);
    int status = child.stop(0);
    return child.pid() > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string readFile(const std::string& path)
{
    // Never waits on a FIFO someone planted.
    std::string text;
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat info {};
    if (fd >= 0 && ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        char buffer[65536];
        for (ssize_t got; (got = ::read(fd, buffer, sizeof buffer)) > 0;)
            text.append(buffer, static_cast<size_t>(got));
    }
    if (fd >= 0)
        ::close(fd);
    return text;
}

bool waitUntil(const std::function<bool()>& done, double seconds)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

bool waitForFileContaining(const std::string& path, const std::string& text, double seconds)
{
    return waitUntil([&] { return readFile(path).find(text) != std::string::npos; }, seconds);
}
