#include "Helper/NTFSManager/SudoPassword.h"

std::string SudoPassword::pipe()
{
    return std::string("printf '%s\\n' \"$") + variable + "\" | ";
}
