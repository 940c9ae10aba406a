#include "Tools/Common/Privileges.h"

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include "Platform/Foundation/UserAccounts.h"

namespace Tools {

bool Privileges::isRoot()
{
    return geteuid() == 0;
}

bool Privileges::actsForUser()
{
    return invokingUser().has_value();
}

std::optional<uid_t> Privileges::invokingUser()
{
    const char* user = std::getenv("SUDO_UID");
    if (!isRoot() || !user)
        return std::nullopt;
    uid_t uid = 0;
    auto [end, error] = std::from_chars(user, user + std::strlen(user), uid);
    // A value that is no uid cannot come from sudo: act for nobody's benefit.
    if (error != std::errc() || *end != '\0')
        return static_cast<uid_t>(-2);
    if (uid == 0)
        return std::nullopt;
    return uid;
}

std::optional<std::string> Privileges::invokingUsersHome()
{
    auto user = invokingUser();
    return user ? UserAccounts::homeDirectory(*user) : std::nullopt;
}

std::string Privileges::requirement(const std::string& tool, const std::string& action)
{
    return tool + ": " + action + " needs root privileges; run it with sudo";
}

}
