#include "support/ShellCommand.h"

#include "Platform/Foundation/Process.h"

ShellOutput runShell(const std::string& script, const std::vector<std::string>& arguments)
{
    ProcessOptions options;
    options.launchPath = "/bin/sh";
    options.arguments = {"-c", script, "sh"};
    options.arguments.insert(options.arguments.end(), arguments.begin(), arguments.end());
    options.standardInput = std::string();
    auto result = Process::run(options);
    if (!result)
        return {-1, "", result.error().description};
    return {result->exitStatus, result->standardOutput, result->standardError};
}
