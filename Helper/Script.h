#pragma once

#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Platform/Foundation/ProcessDeadline.h"

// What a script printed: standard output and standard error, each decoded as
// UTF-8 (the empty text when the bytes are not valid UTF-8).
struct ScriptResult {
    std::string result;
    std::string error;
    // The script ran out of time and was ended with all it had started.
    bool timedOut = false;
    // False when no shell could be started (`error` says why): like a
    // script cut short, it says nothing of what is there.
    bool started = true;
};

// What a caller may hand the child besides its arguments, for secrets that
// must not appear in any argument list (a password for `sudo -S`, say).
struct ScriptInput {
    // Added to the inherited environment.
    std::map<std::string, std::string> environment;
    // Written to the child's standard input; absent means it shares ours.
    std::optional<std::string> standardInput;
    // How long the script may wait (for a password, a device): then it ends
    // with its whole process group, as it does at `cutoff` if that is sooner.
    std::optional<std::chrono::milliseconds> timeLimit;
    std::shared_ptr<const ProcessDeadline> cutoff;
};

// Runs a program, normally the shell with a whole script, and returns what it
// printed. Blocks until the child has closed both output streams.
class Script {
public:
    static ScriptResult run(const std::string& launchPath, const std::optional<std::string>& currentDirectory,
                            const std::vector<std::string>& arguments);
    static ScriptResult run(const std::string& launchPath, const std::optional<std::string>& currentDirectory,
                            const std::vector<std::string>& arguments, const ScriptInput& input);

    // The arguments the child is started with: the shell gets "-c" and the
    // caller's texts joined by single spaces, unquoted; anything else gets the
    // list as it is.
    static std::vector<std::string> childArguments(const std::string& launchPath,
                                                   const std::vector<std::string>& arguments);

    Script() = delete;
};
