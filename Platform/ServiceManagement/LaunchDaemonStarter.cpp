#include "Platform/ServiceManagement/LaunchDaemonStarter.h"

#include <sys/stat.h>

#include <cstdlib>
#include <map>
#include <vector>

#include "Platform/Foundation/Process.h"
#include "Platform/ServiceManagement/DetachedProcess.h"
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

CFErrorRef LaunchDaemonStarter::restart(const std::string& label, const std::string& program, bool runAtLoad) const
{
    bool underSystemd = systemdRuns();
    if (underSystemd)
        systemctl({"stop", label + ".service"}, nullptr);
    // An earlier install may have been started directly, or the unit may not
    // have stopped it: nothing of the old program may go on running.
    ExecutableProcesses::stop(program);
    if (underSystemd)
        return startUnit(label, program, runAtLoad);
    return runAtLoad ? startDetached(program) : nullptr;
}

CFErrorRef LaunchDaemonStarter::startUnit(const std::string& label, const std::string& program, bool runAtLoad) const
{
    if (auto error = PrivilegedFile::prepareFolder(m_locations.systemdUnits))
        return SMError(kSMErrorInternalFailure, error->description);
    if (auto error = PrivilegedFile::replace(unitPath(label), unitText(label, program), 0644))
        return SMError(kSMErrorInternalFailure, error->description);
    std::string message;
    if (!systemctl({"daemon-reload"}, &message))
        return SMError(kSMErrorServiceUnavailable, "systemctl daemon-reload failed: " + message);
    if (runAtLoad && !systemctl({"enable", "--now", label + ".service"}, &message))
        return SMError(kSMErrorServiceUnavailable, "systemctl enable --now " + label + ".service failed: " + message);
    return nullptr;
}

CFErrorRef LaunchDaemonStarter::startDetached(const std::string& program) const
{
    // Like launchd's jobs, the daemon gets a plain environment; only the system
    // bus address is kept, so it listens where its clients post.
    std::map<std::string, std::string> environment{{"PATH", "/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin"}};
    if (const char* bus = std::getenv("DBUS_SYSTEM_BUS_ADDRESS"))
        environment["DBUS_SYSTEM_BUS_ADDRESS"] = bus;
    std::string error;
    if (!DetachedProcess::spawn(program, {program}, environment, &error))
        return SMError(kSMErrorServiceUnavailable, "cannot start " + program + ": " + error);
    return nullptr;
}

bool LaunchDaemonStarter::systemctl(const std::vector<std::string>& arguments, std::string* error) const
{
    ProcessOptions options;
    options.launchPath = m_locations.systemctl;
    options.arguments = arguments;
    options.standardInput = std::string();
    ProcessResult result = Process::run(options);
    if (result.exitStatus == 0)
        return true;
    if (error) {
        *error = result.launchError ? *result.launchError : result.standardError;
        while (!error->empty() && (error->back() == '\n' || error->back() == ' '))
            error->pop_back();
        if (error->empty())
            *error = "exit status " + std::to_string(result.exitStatus);
    }
    return false;
}
