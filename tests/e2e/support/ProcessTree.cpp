#include "support/ProcessTree.h"

#include <signal.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "support/ChildProcess.h"

namespace {

// The parent and state of a process, from /proc/PID/stat ("pid (name) S ppid ...").
bool readStat(pid_t pid, pid_t& parent, char& state)
{
    const std::string stat = readFile("/proc/" + std::to_string(pid) + "/stat");
    const size_t end = stat.rfind(") ");
    if (end == std::string::npos || end + 4 > stat.size())
        return false;
    state = stat[end + 2];
    parent = static_cast<pid_t>(std::atol(stat.c_str() + end + 4));
    return true;
}

}  // namespace

std::vector<pid_t> ProcessTree::descendantsOf(pid_t root)
{
    std::multimap<pid_t, pid_t> children;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
        const std::string name = entry.path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        pid_t pid = static_cast<pid_t>(std::atol(name.c_str()));
        pid_t parent = 0;
        char state = 0;
        if (readStat(pid, parent, state))
            children.emplace(parent, pid);
    }
    std::vector<pid_t> found;
    std::vector<pid_t> next{root};
    while (!next.empty()) {
        pid_t pid = next.back();
        next.pop_back();
        auto [first, last] = children.equal_range(pid);
        for (auto it = first; it != last; ++it) {
            found.push_back(it->second);
            next.push_back(it->second);
        }
    }
    return found;
}

void ProcessTree::killDescendants(pid_t root)
{
    // The root first, so that it starts nothing more.
    ::kill(root, SIGSTOP);
    std::vector<pid_t> stopped;
    for (;;) {
        bool more = false;
        for (pid_t pid : descendantsOf(root)) {
            if (std::find(stopped.begin(), stopped.end(), pid) != stopped.end())
                continue;
            ::kill(pid, SIGSTOP);
            stopped.push_back(pid);
            more = true;
        }
        if (!more)
            break;
    }
    for (pid_t pid : stopped)
        ::kill(pid, SIGKILL);
}

bool ProcessTree::isRunning(pid_t pid)
{
    pid_t parent = 0;
    char state = 0;
    return pid > 0 && readStat(pid, parent, state) && state != 'Z' && state != 'X';
}
