#pragma once

#include <string>

#include "Platform/Foundation/Expected.h"
#include "Platform/ServiceManagement/JobBlessLocations.h"

// The privileged half of blessing, run as root: checks the app bundle and its
// helper tool, copies the tool to PrivilegedHelperTools/<label>, writes its
// launchd list (with "Program" naming the copy) to LaunchDaemons/<label>.plist,
// stops the copy an earlier install left running and starts the new one.
class JobBlessInstaller {
public:
    explicit JobBlessInstaller(JobBlessLocations locations = {});

    std::string toolPath(const std::string& label) const;
    std::string launchdListPath(const std::string& label) const;

    // Fails with a kSMError code.
    Expected<void> bless(const std::string& bundlePath, const std::string& label) const;

private:
    JobBlessLocations m_locations;
};
