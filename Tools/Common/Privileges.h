#pragma once

#include <optional>
#include <string>
#include <sys/types.h>

namespace Tools {

// The tools act as root; they are not setuid, so a user who runs them for
// something only root may do is told so instead of meeting a raw EPERM.
class Privileges {
public:
    static bool isRoot();
    // Root through sudo for a user (sudo sets SUDO_UID, and no caller can
    // pass it through): the tool then acts only within what a user may ask.
    static bool actsForUser();
    // That user, while acting for one.
    static std::optional<uid_t> invokingUser();
    // That user's home folder, as the password database has it.
    static std::optional<std::string> invokingUsersHome();
    // "diskutil: mounting a volume needs root privileges; run it with sudo"
    static std::string requirement(const std::string& tool, const std::string& action);
};

}
