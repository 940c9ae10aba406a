#pragma once

#include <string>
#include <vector>

#include "Platform/Foundation/Expected.h"
#include "Platform/ServiceManagement/JobBlessLocations.h"

// Stops whatever runs of an installed daemon and starts it again as its
// launchd list asks. Where systemd runs, the daemon becomes an enabled system
// unit (so it also starts at every boot); elsewhere it is started directly as
// a detached root process, with the system bus it is to use.
class LaunchDaemonStarter {
public:
    explicit LaunchDaemonStarter(JobBlessLocations locations = {});

    bool systemdRuns() const;
    std::string unitPath(const std::string& label) const;
    static std::string unitText(const std::string& label, const std::string& program);

    // Fails with a kSMError code.
    Expected<void> restart(const std::string& label, const std::string& program, bool runAtLoad) const;

private:
    Expected<void> startUnit(const std::string& label, const std::string& program, bool runAtLoad) const;
    Expected<void> startDetached(const std::string& program) const;
    // Fails with what systemctl said.
    Expected<void> systemctl(const std::vector<std::string>& arguments) const;

    JobBlessLocations m_locations;
};
