#include "Platform/ServiceManagement/LaunchDaemonStarter.h"

#include <sys/stat.h>

#include <cstdlib>
#include <map>
#include <vector>

#include "Platform/Foundation/DetachedProcess.h"
#include "Platform/Foundation/Process.h"
#include "Platform/ServiceManagement/ExecutableProcesses.h"
#include "Platform/ServiceManagement/PrivilegedFile.h"
#include "Platform/ServiceManagement/ServiceManagement.h"

LaunchDaemonStarter::LaunchDaemonStarter(JobBlessLocations locations)
    : m_locations(std::move(locations))
{
}

bool LaunchDaemonStarter::systemdRuns() const
{
    struct stat info {};
    return ::lstat(m_locations.systemdRuntime.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string LaunchDaemonStarter::unitPath(const std::string& label) const
{
    return m_locations.systemdUnits + "/" + label + ".service";
}

std::string LaunchDaemonStarter::unitText(const std::string& label, const std::string& program)
{
    // launchd neither restarts a job without KeepAlive nor gives it arguments.
    return "[Unit]\n"
           "Description=" + label + "\n"
           "After=dbus.service\n"
           "\n"
           "[Service]\n"
           "Type=simple\n"
           "ExecStart=" + program + "\n"
           "Restart=no\n"
           "\n"
           "[Install]\n"
           "WantedBy=multi-user.target\n";
}

Expected<void> LaunchDaemonStarter::restart(const std::string& label, const std::string& program, bool runAtLoad) const
{
    bool underSystemd = systemdRuns();
    // A unit that is not there yet cannot be stopped; what matters is that
    // nothing of the old program runs, which follows.
    if (underSystemd)
        (void)systemctl({"stop", label + ".service"});
    // An earlier install may have been started directly, or the unit may not
    // have stopped it: nothing of the old program may go on running.
    ExecutableProcesses::stop(program);
    if (underSystemd)
        return startUnit(label, program, runAtLoad);
    return runAtLoad ? startDetached(program) : Expected<void>();
}

Expected<void> LaunchDaemonStarter::startUnit(const std::string& label, const std::string& program, bool runAtLoad) const
{
    if (auto prepared = PrivilegedFile::prepareFolder(m_locations.systemdUnits); !prepared)
        return SMError(kSMErrorInternalFailure, prepared.error().description);
    if (auto written = PrivilegedFile::replace(unitPath(label), unitText(label, program), 0644); !written)
        return SMError(kSMErrorInternalFailure, written.error().description);
    if (auto reloaded = systemctl({"daemon-reload"}); !reloaded)
        return SMError(kSMErrorServiceUnavailable, "systemctl daemon-reload failed: " + reloaded.error().description);
    if (!runAtLoad)
        return {};
    if (auto enabled = systemctl({"enable", "--now", label + ".service"}); !enabled)
        return SMError(kSMErrorServiceUnavailable,
                       "systemctl enable --now " + label + ".service failed: " + enabled.error().description);
    return {};
}

Expected<void> LaunchDaemonStarter::startDetached(const std::string& program) const
{
    // Like launchd's jobs, the daemon gets a plain environment; only the system
    // bus address is kept, so it listens where its clients post.
    std::map<std::string, std::string> environment{{"PATH", "/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin"}};
    if (const char* bus = std::getenv("DBUS_SYSTEM_BUS_ADDRESS"))
        environment["DBUS_SYSTEM_BUS_ADDRESS"] = bus;
    if (auto started = DetachedProcess::spawn(program, {program}, environment); !started)
        return SMError(kSMErrorServiceUnavailable, started.error().description);
    return {};
}

Expected<void> LaunchDaemonStarter::systemctl(const std::vector<std::string>& arguments) const
{
    auto result = Process::run({.launchPath = m_locations.systemctl, .arguments = arguments, .standardInput = ""});
    if (!result)
        return result.error();
    if (result->exitStatus == 0)
        return {};
    std::string said = result->trimmedStandardError();
    return Error::message(said.empty() ? "exit status " + std::to_string(result->exitStatus) : said);
}
