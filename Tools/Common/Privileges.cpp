#include "Tools/Common/Privileges.h"

#include <unistd.h>

namespace Tools {

bool Privileges::isRoot()
{
    return geteuid() == 0;
}

std::string Privileges::requirement(const std::string& tool, const std::string& action)
{
    return tool + ": " + action + " needs root privileges; run it with sudo";
}

}
