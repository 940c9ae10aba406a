#pragma once

#include <string>

// Where a blessed job goes and what starts it. The defaults are the system's
// places; tests point them at temporary folders and doubles.
struct JobBlessLocations {
    std::string privilegedHelperTools = "/Library/PrivilegedHelperTools";
    std::string launchDaemons = "/Library/LaunchDaemons";
    std::string systemdUnits = "/etc/systemd/system";
    // Present exactly when systemd runs as the init process.
    std::string systemdRuntime = "/run/systemd/system";
    std::string systemctl = "/usr/bin/systemctl";
    // A caller that is not root blesses through pkexec and the blessing tool
    // installed with the app (which polkit knows by that path).
    std::string pkexec = "/usr/bin/pkexec";
    std::string blessTool = defaultBlessTool();

    static std::string defaultBlessTool();
};
