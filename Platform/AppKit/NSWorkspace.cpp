#include "Platform/AppKit/NSWorkspace.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "Platform/AppKit/NSRunningApplication.h"
#include "Platform/Foundation/DetachedProcess.h"
#include "Platform/Foundation/NSBundle.h"
#include "Platform/Foundation/ProcessEntry.h"

namespace {

std::string canonical(const std::string& path)
{
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved)
        return path;
    std::string result = resolved;
    std::free(resolved);
    return result;
}

bool sameApplication(const NSRunningApplication& running, const NSBundle& bundle)
{
    if (auto identifier = bundle.bundleIdentifier())
        return running.bundleIdentifier() == identifier;
    return running.bundleURL() && canonical(*running.bundleURL()) == canonical(bundle.bundlePath());
}

}  // namespace

NSWorkspace& NSWorkspace::shared()
{
    static NSWorkspace workspace;
    return workspace;
}

std::vector<std::shared_ptr<NSRunningApplication>> NSWorkspace::runningApplications() const
{
    uid_t me = ::getuid();
    std::vector<ProcessEntry> entries;
    for (pid_t pid : ProcessEntry::allProcessIdentifiers()) {
        // Gone meanwhile, another user's, or ended: not running for us.
        auto entry = ProcessEntry::read(pid);
        if (!entry || entry->uid != me || entry->hasEnded() || entry->executablePath.empty())
            continue;
        if (NSBundle::bundlePathForExecutable(entry->executablePath))
            entries.push_back(std::move(*entry));
    }
    std::sort(entries.begin(), entries.end(), [](const ProcessEntry& a, const ProcessEntry& b) {
        return a.startTicks != b.startTicks ? a.startTicks < b.startTicks : a.pid < b.pid;
    });
    std::vector<std::shared_ptr<NSRunningApplication>> applications;
    applications.reserve(entries.size());
    for (const auto& entry : entries)
        applications.push_back(NSRunningApplication::from(entry));
    return applications;
}

Expected<std::shared_ptr<NSRunningApplication>> NSWorkspace::launchApplication(const std::string& path,
                                                                              const std::vector<std::string>& arguments)
{
    NSBundle bundle(path);
    auto executable = bundle.executablePath();
    if (!bundle.exists() || !executable || ::access(executable->c_str(), X_OK) != 0)
        return Error::message("The application " + path + " has no program to start");

    for (const auto& running : runningApplications()) {
        if (sameApplication(*running, bundle))
            return running;
    }

    std::vector<std::string> argv{*executable};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    auto pid = DetachedProcess::spawn(*executable, argv);
    if (!pid)
        return pid.error();
    if (auto started = NSRunningApplication::withProcessIdentifier(*pid))
        return started;
    return Error::message("The application " + path + " ended as soon as it started");
}
