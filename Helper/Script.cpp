#include "Helper/Script.h"

#include "Platform/Foundation/Process.h"
#include "Platform/Foundation/UTF8.h"

ScriptResult Script::run(const std::string& launchPath, const std::optional<std::string>& currentDirectory,
                         const std::vector<std::string>& arguments)
{
    return run(launchPath, currentDirectory, arguments, ScriptInput{});
}

ScriptResult Script::run(const std::string& launchPath, const std::optional<std::string>& currentDirectory,
                         const std::vector<std::string>& arguments, const ScriptInput& input)
{
    ProcessOptions options;
    options.launchPath = launchPath;
    options.arguments = childArguments(launchPath, arguments);
    options.currentDirectory = currentDirectory;
    options.environment = input.environment;
    options.standardInput = input.standardInput;
    options.timeLimit = input.timeLimit;
    options.cutoff = input.cutoff;

    auto outcome = Process::run(options);
    // Callers only ever get two texts, so a child that never started says why
    // where a failing command would have.
    if (!outcome)
        return ScriptResult{"", outcome.error().description, false, false};
    return ScriptResult{UTF8::decode(outcome->standardOutput), UTF8::decode(outcome->standardError), outcome->timedOut};
}

std::vector<std::string> Script::childArguments(const std::string& launchPath,
                                                const std::vector<std::string>& arguments)
{
    if (launchPath != "/bin/zsh")
        return arguments;
    std::string script;
    for (const auto& argument : arguments) {
        if (&argument != &arguments.front())
            script += ' ';
        script += argument;
    }
    return {"-c", script};
}
