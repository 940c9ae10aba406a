// parvex-login-hook: run by the desktop's autostart at each session login.
// Starts the programs of the launch agents for this user, as launchd does at
// login: the system-wide ones, then the user's own from ~/Library/LaunchAgents
// (where the login item goes for a user who may not write the system's
// folder); nothing else reads these folders here.
#include <cstdio>

#include "Platform/Foundation/FileManager.h"
#include "Platform/ServiceManagement/LaunchAgentsLauncher.h"

int main()
{
    int failures = 0;
    for (const auto& folder : {std::string("/Library/LaunchAgents"), FileManager::homeDirectory() + "/Library/LaunchAgents"}) {
        for (const auto& launch : LaunchAgentsLauncher(folder).launchAll()) {
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
    }
    return failures == 0 ? 0 : 1;
}
