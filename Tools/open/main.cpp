#include "Tools/open/Opener.h"

#include <cstdlib>
#include <filesystem>
#include <iostream>

namespace {

std::optional<std::string> environmentValue(const char* name)
{
    const char* value = std::getenv(name);
    if (!value)
        return std::nullopt;
    return std::string(value);
}

}

int main(int argc, char** argv)
{
    std::error_code error;
    Tools::Opener tool(std::filesystem::current_path(error).string(), environmentValue);
    return tool.run(std::vector<std::string>(argv + 1, argv + argc), std::cerr);
}
