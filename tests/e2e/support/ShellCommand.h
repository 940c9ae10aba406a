#pragma once

#include <string>
#include <vector>

// What a shell command left behind.
struct ShellOutput {
    int status = -1;
    std::string output;
    std::string error;
};

// Runs `script` with /bin/sh; `arguments` become $1, $2, ... so that labels and
// paths with blanks need no quoting in the script text.
ShellOutput runShell(const std::string& script, const std::vector<std::string>& arguments = {});
