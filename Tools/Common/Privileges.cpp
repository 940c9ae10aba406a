#include "Tools/Common/Privileges.h"

#include <cstdlib>
#include <string_view>
#include <unistd.h>

namespace Tools {

bool Privileges::isRoot()
{
    return geteuid() == 0;
}

bool Privileges::actsForUser()
{
    const char* user = std::getenv("SUDO_UID");
    return isRoot() && user && std::string_view(user) != "0";
}

std::string Privileges::requirement(const std::string& tool, const std::string& action)
{
    return tool + ": " + action + " needs root privileges; run it with sudo";
}

}
