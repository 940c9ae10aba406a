// parvex-login-hook: run by the desktop's autostart at each session login.
// Starts the programs of the system-wide launch agents for this user, as
// launchd does at login; nothing else reads /Library/LaunchAgents here.
#include <cstdio>

#include "Platform/ServiceManagement/LaunchAgentsLauncher.h"

int main()
{
    int failures = 0;
    for (const auto& launch : LaunchAgentsLauncher().launchAll()) {
        if (launch.alreadyRunning)
            std::fprintf(stderr, "%s: %s already runs\n", launch.listPath.c_str(), launch.command.program.c_str());
        else if (launch.pid)
            std::fprintf(stderr, "%s: started %s (%d)\n", launch.listPath.c_str(), launch.command.program.c_str(),
                         static_cast<int>(*launch.pid));
        else {
            std::fprintf(stderr, "%s: cannot start %s: %s\n", launch.listPath.c_str(),
                         launch.command.program.c_str(), launch.error.c_str());
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}
