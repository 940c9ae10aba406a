#include "Helper/NTFSManager/SudoPassword.h"

std::string SudoPassword::pipe()
{
    return std::string("printf '%s\\n' \"$") + variable + "\" | ";
}

bool SudoPassword::wasRefused(std::string_view error)
{
    for (std::string_view said : {"Sorry, try again.", "incorrect password attempt", "a password is required",
                                  "no password was provided"}) {
        if (error.find(said) != std::string_view::npos)
            return true;
    }
    return false;
}
