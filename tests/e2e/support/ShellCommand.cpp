#include "support/ShellCommand.h"

#include "Platform/Foundation/Process.h"

ShellOutput runShell(const std::string& script, const std::vector<std::string>& arguments)
{
    ProcessOptions options;
    options.launchPath = "/bin/sh";
    options.arguments = {"-c", script, "sh"};
    options.arguments.insert(options.arguments.end(), arguments.begin(), arguments.end());
    options.standardInput = std::string();
    ProcessResult result = Process::run(options);
    return {result.exitStatus, result.standardOutput, result.standardError};
}
