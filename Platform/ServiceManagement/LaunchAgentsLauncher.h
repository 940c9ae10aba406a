#pragma once

#include <sys/types.h>
#include <unistd.h>

#include <optional>
#include <string>
#include <vector>

#include "Platform/Foundation/PropertyListValue.h"

// Does at a desktop session's login what launchd does with a launch-agents
// folder (the system-wide one, or the user's own): starts, for the user
// logging in, the program of every agent list in the folder that asks to run
// at load. Lists that another user could
// have written are passed over, as launchd passes over lists of dubious
// ownership, and a program that already runs for this user is not started twice.
class LaunchAgentsLauncher {
public:
    // What a list starts: the file to run and the whole argument vector it gets.
    struct Command {
        std::string program;
        std::vector<std::string> arguments;
        bool operator==(const Command&) const = default;
    };
    struct Launch {
        std::string listPath;
        Command command;
        std::optional<pid_t> pid;
        bool alreadyRunning = false;
        std::string error;
    };

    explicit LaunchAgentsLauncher(std::string folder = "/Library/LaunchAgents", uid_t user = ::getuid());

    // One entry per list that asks for a start, in the order of the file names.
    std::vector<Launch> launchAll() const;

    // What a list starts at login; nothing when it is disabled, does not run
    // at load, is limited to other session types or names no absolute program.
    static std::optional<Command> commandAtLoad(const PropertyListValue::Dictionary& job);

private:
    bool trusted(const std::string& path) const;

    std::string m_folder;
    uid_t m_user;
};
