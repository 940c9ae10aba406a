#include "Platform/AppKit/NSRunningApplication.h"

#include <signal.h>

#include <cerrno>

#include "Platform/Foundation/NSBundle.h"
#include "Platform/Foundation/ProcessEntry.h"

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
    if (auto bundlePath = NSBundle::bundlePathForExecutable(entry.executablePath)) {
        NSBundle bundle(*bundlePath);
        application->m_bundleURL = bundle.bundlePath();
        application->m_bundleIdentifier = bundle.bundleIdentifier();
    }
    return application;
}

void NSRunningApplication::activate(std::function<void(const Expected<void>& asked)> done) const
{
    if (!m_bundleIdentifier) {
        if (done)
            done(Error::message("process " + std::to_string(m_pid) + " belongs to no application bundle"));
        return;
    }
    if (!activation()) {
        if (done)
            done(Error::message("no desktop session to ask " + *m_bundleIdentifier + " to open again"));
        return;
    }
    activation()(*m_bundleIdentifier, std::move(done));
}

NSRunningApplication::Activation& NSRunningApplication::activation()
{
    static Activation installed;
    return installed;
}

void NSRunningApplication::setActivation(Activation activation)
{
    NSRunningApplication::activation() = std::move(activation);
}

bool NSRunningApplication::isTerminated() const
{
    auto entry = ProcessEntry::read(m_pid);
    return !entry || entry->startTicks != m_startTicks || entry->hasEnded();
}

Expected<void> NSRunningApplication::terminate()
{
    if (m_pid <= 0 || isTerminated())
        return Error{ESRCH, "process " + std::to_string(m_pid) + " has ended"};
    if (::kill(m_pid, SIGTERM) != 0) {
        int code = errno;
        return Error::system(code, "cannot ask process " + std::to_string(m_pid) + " to quit");
    }
    return {};
}

Expected<std::unique_ptr<ProcessExitSource>> NSRunningApplication::observeTermination(std::function<void()> terminated) const
{
    auto source = ProcessExitSource::watch(m_pid, std::move(terminated));
    // The pid may have passed to a stranger before the watch began.
    if (source && isTerminated())
        return Error{ESRCH, "process " + std::to_string(m_pid) + " has ended"};
    return source;
}
