#include "Platform/AppKit/NSRunningApplication.h"

#include <signal.h>
#include <unistd.h>

#include "Platform/AppKit/NSBundle.h"
#include "Platform/AppKit/ProcessEntry.h"
#include "Platform/Foundation/FileManager.h"

std::shared_ptr<NSRunningApplication> NSRunningApplication::current()
{
    return withProcessIdentifier(::getpid());
}

std::shared_ptr<NSRunningApplication> NSRunningApplication::withProcessIdentifier(pid_t pid)
{
    auto entry = ProcessEntry::read(pid);
    if (!entry || entry->hasEnded())
        return nullptr;
    return from(*entry);
}

std::shared_ptr<NSRunningApplication> NSRunningApplication::from(const ProcessEntry& entry)
{
    auto application = std::shared_ptr<NSRunningApplication>(new NSRunningApplication());
    application->m_pid = entry.pid;
    application->m_startTicks = entry.startTicks;
    application->m_launchDate = entry.startDate();
    if (!entry.executablePath.empty()) {
        application->m_executableURL = entry.executablePath;
        application->m_localizedName = FileManager::lastPathComponent(entry.executablePath);
    }
    if (auto bundlePath = NSBundle::bundlePathForExecutable(entry.executablePath)) {
        NSBundle bundle(*bundlePath);
        application->m_bundleURL = bundle.bundlePath();
        application->m_bundleIdentifier = bundle.bundleIdentifier();
        std::string name = FileManager::lastPathComponent(*bundlePath);
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".app") == 0)
            name.erase(name.size() - 4);
        application->m_localizedName = name;
    }
    return application;
}

bool NSRunningApplication::isTerminated() const
{
    auto entry = ProcessEntry::read(m_pid);
    return !entry || entry->startTicks != m_startTicks || entry->hasEnded();
}

bool NSRunningApplication::terminate()
{
    return signal(SIGTERM);
}

bool NSRunningApplication::forceTerminate()
{
    return signal(SIGKILL);
}

bool NSRunningApplication::signal(int number)
{
    // Never signal a stranger that took over the pid.
    if (m_pid <= 0 || isTerminated())
        return false;
    return ::kill(m_pid, number) == 0;
}
