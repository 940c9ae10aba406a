#include "Platform/ServiceManagement/ExecutableProcesses.h"

#include <signal.h>

#include <thread>

namespace {

bool waitForEnd(const std::vector<ProcessEntry>& entries, std::chrono::milliseconds limit)
{
    auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        bool allEnded = true;
        for (const auto& entry : entries)
            allEnded = allEnded && ExecutableProcesses::hasEnded(entry);
        if (allEnded)
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

void signalLiving(const std::vector<ProcessEntry>& entries, int number)
{
    for (const auto& entry : entries) {
        if (!ExecutableProcesses::hasEnded(entry))
            ::kill(entry.pid, number);
    }
}

}  // namespace

std::vector<ProcessEntry> ExecutableProcesses::find(const std::string& path, std::optional<uid_t> uid)
{
    std::vector<ProcessEntry> found;
    for (pid_t pid : ProcessEntry::allProcessIdentifiers()) {
        auto entry = ProcessEntry::read(pid);
        if (!entry || entry->hasEnded() || entry->executablePath != path)
            continue;
        if (uid && entry->uid != *uid)
            continue;
        found.push_back(std::move(*entry));
    }
    return found;
}

size_t ExecutableProcesses::stop(const std::string& path, std::chrono::milliseconds grace)
{
    auto entries = find(path);
    if (entries.empty())
        return 0;
    signalLiving(entries, SIGTERM);
    if (!waitForEnd(entries, grace)) {
        signalLiving(entries, SIGKILL);
        waitForEnd(entries, std::chrono::seconds(2));
    }
    return entries.size();
}

bool ExecutableProcesses::hasEnded(const ProcessEntry& entry)
{
    auto now = ProcessEntry::read(entry.pid);
    return !now || now->startTicks != entry.startTicks || now->hasEnded();
}
