#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

class UserAccounts {
public:
    // Root, or a member of a group whose members may act as root ("sudo",
    // "wheel" or "admin"): the users who could edit system files anyway.
    // Safe to call from any thread.
    static bool isAdministrator(uid_t uid);
    static std::string userName(uid_t uid);
    // The home folder the password database gives the user; none for an
    // unknown user.
    static std::optional<std::string> homeDirectory(uid_t uid);
};
