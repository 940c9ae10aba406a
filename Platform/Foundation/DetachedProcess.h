#pragma once

#include <sys/types.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "Platform/Foundation/Expected.h"

// Starts a program that belongs to nobody here: its own session, standard
// streams on /dev/null, working folder "/", and not our child (so it outlives
// us and is never left as our zombie); as launchd starts its jobs and the
// workspace starts applications.
class DetachedProcess {
public:
    // `arguments` is the whole argument vector (argv[0] first; the program's
    // path when empty). Without `environment` the program inherits ours.
    // Returns once the program runs (its exec succeeded), with its pid.
    static Expected<pid_t> spawn(const std::string& program, const std::vector<std::string>& arguments = {},
                                 const std::optional<std::map<std::string, std::string>>& environment = std::nullopt);
};
