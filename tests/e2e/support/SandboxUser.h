#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

// A regular user of the sandbox's own /etc, as a person at the machine: a
// member of the sudo group with a login password, not root. Made once per
// test program; the sandbox's /etc, and the user with it, go when it ends.
class SandboxUser {
public:
    static constexpr const char* name = "parvex-e2e-user";
    static constexpr const char* password = "the login password";

    // Makes the user, with `home` as its home folder, unless it exists. The
    // empty text, or what went wrong.
    static std::string create(const std::string& home);
    static uid_t uid();
    static gid_t gid();

    // The argument vector that runs `arguments` as the user with HOME set to
    // `home`, the rest of our environment kept.
    static std::vector<std::string> command(const std::vector<std::string>& arguments, const std::string& home);
    // Gives `path` and everything below it to the user.
    static bool own(const std::string& path);
};
