#pragma once

#include <string>
#include <string_view>

// The login password travels to `sudo -S` in a variable of the script's own
// shell and is printed into the pipe by the shell's builtin printf: it never
// stands in an argument list (which every user can read in /proc), and arrives
// byte for byte (zsh's echo would turn a backslash sequence into another byte).
class SudoPassword {
public:
    static constexpr const char* variable = "PARVEX_SUDO_PASSWORD";

    // Feeds the password to the command that follows: "... | sudo -S ...".
    static std::string pipe();

    // Whether sudo said, on its standard error, that it refused the password
    // it was fed (or that it needed one and got none).
    static bool wasRefused(std::string_view error);
};
