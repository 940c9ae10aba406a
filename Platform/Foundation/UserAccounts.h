#pragma once

#include <sys/types.h>

#include <string>

class UserAccounts {
public:
    // Root, or a member of a group whose members may act as root ("sudo",
    // "wheel" or "admin"): the users who could edit system files anyway.
    // Safe to call from any thread.
    static bool isAdministrator(uid_t uid);
    static std::string userName(uid_t uid);
};
