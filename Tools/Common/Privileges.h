#pragma once

#include <string>

namespace Tools {

// The tools act as root; they are not setuid, so a user who runs them for
// something only root may do is told so instead of meeting a raw EPERM.
class Privileges {
public:
    static bool isRoot();
    // "diskutil: mounting a volume needs root privileges; run it with sudo"
    static std::string requirement(const std::string& tool, const std::string& action);
};

}
