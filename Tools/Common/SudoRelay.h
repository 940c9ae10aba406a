#pragma once

#include <string>
#include <vector>

namespace Tools {

// How a tool run by a user hands one action to root: it runs itself again
// through `sudo -n` (never a shell, never a password prompt), which the sudo
// rule installed with the tools allows for diskutil's mount and unmount
// verbs only. Where sudo does not allow it, the caller says root is needed.
class SudoRelay {
public:
    explicit SudoRelay(std::string executable, std::string sudo = "sudo");

    // {"sudo", "-n", executable, arguments...}
    std::vector<std::string> command(const std::vector<std::string>& arguments) const;
    // Whether sudo would run the command now without asking ("sudo -n -l").
    bool permitted(const std::vector<std::string>& arguments) const;
    // Replaces this process with sudo running the command; returns only
    // when sudo could not be started.
    void replaceProcess(const std::vector<std::string>& arguments) const;

    // The absolute path of the running program, which the sudo rule names.
    static std::string ownExecutable();

private:
    std::string m_executable;
    std::string m_sudo;
};

}
